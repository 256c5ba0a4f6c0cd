#include "core/apps/AppVersion.h"

namespace qm::AppVersion {

QString sanitize(const QString& raw)
{
    const QString trimmed = raw.trimmed();
    if (trimmed.isEmpty() || trimmed.contains(QLatin1Char('$')))
        return QString();
    return trimmed;
}

} // namespace qm::AppVersion
