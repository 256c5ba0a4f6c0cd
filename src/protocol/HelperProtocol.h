#pragma once

#include <QString>

namespace qm::protocol {

// The bus name under which the helper answers the application; shared by both programs.
QString serviceName();

} // namespace qm::protocol
