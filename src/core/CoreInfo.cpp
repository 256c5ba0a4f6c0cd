#include "core/CoreInfo.h"

namespace qm {

QString productName()
{
    return QStringLiteral("Quillmere");
}

QString ownBundleIdentifier()
{
    return QStringLiteral("com.vellora.app");
}

QString ownDesktopId()
{
    return QStringLiteral("com.vellora.Quillmere");
}

} // namespace qm
