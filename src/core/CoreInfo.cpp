#include "core/CoreInfo.h"

namespace qm {

QString productName()
{
    return QStringLiteral("Quillmere");
}

QString ownDesktopId()
{
    return QStringLiteral("com.vellora.Quillmere");
}

} // namespace qm
