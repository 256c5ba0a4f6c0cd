#include "core/apps/AppVersion.h"

namespace qm::AppVersion {

QString sanitize(const QString& raw)
{
    const QString trimmed = raw.trimmed();
    if (trimmed.isEmpty() || trimmed.contains(QLatin1Char('$')))
        return QString();
    return trimmed;
}

QString debianUpstream(const QString& version)
{
    QString upstream = version;
    if (const qsizetype colon = upstream.indexOf(QLatin1Char(':')); colon >= 0)
        upstream.remove(0, colon + 1);
    if (const qsizetype dash = upstream.lastIndexOf(QLatin1Char('-')); dash >= 0)
        upstream.truncate(dash);
    return upstream;
}

} // namespace qm::AppVersion
