#include "app/models/LargeFilesViewModel.h"

namespace qm {

LargeFilesViewModel::LargeFilesViewModel(QObject* parent) : QObject(parent) {}

} // namespace qm
