#include "core/CoreInfo.h"

namespace qm {

QString productName()
{
    return QStringLiteral("Quillmere");
}

} // namespace qm
