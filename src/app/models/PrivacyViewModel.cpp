#include "app/models/PrivacyViewModel.h"

namespace qm {

PrivacyViewModel::PrivacyViewModel(QObject* parent) : QObject(parent) {}

} // namespace qm
