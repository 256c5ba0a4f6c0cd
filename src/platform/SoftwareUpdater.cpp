#include "platform/SoftwareUpdater.h"

namespace qm {

SoftwareUpdater::~SoftwareUpdater() = default;

} // namespace qm
