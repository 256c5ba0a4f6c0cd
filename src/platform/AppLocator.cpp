#include "platform/AppLocator.h"

namespace qm {

AppLocator::~AppLocator() = default;

} // namespace qm
