#include "protocol/HelperProtocol.h"

namespace qm::protocol {

QString serviceName()
{
    return QStringLiteral("com.vellora.helper");
}

} // namespace qm::protocol
