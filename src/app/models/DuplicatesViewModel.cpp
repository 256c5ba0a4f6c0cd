#include "app/models/DuplicatesViewModel.h"

namespace qm {

DuplicatesViewModel::DuplicatesViewModel(QObject* parent) : QObject(parent) {}

} // namespace qm
