#include "core/system/SystemSnapshot.h"

#include "core/model/Formatting.h"

#include <cmath>
#include <limits>

namespace qm {
namespace {

const QString kDash = QStringLiteral("\u2014");

QString rateText(const std::optional<double>& rate)
{
    if (!rate)
        return kDash;
    // Whole bytes, the fraction dropped; a negative or unmeasurable rate reads as none.
    const double bytes = std::isnan(*rate) ? 0.0 : std::max(0.0, std::trunc(*rate));
    constexpr double limit = static_cast<double>(std::numeric_limits<qint64>::max());
    const qint64 whole = bytes >= limit ? std::numeric_limits<qint64>::max() : static_cast<qint64>(bytes);
    return Formatting::byteCount(whole) + QStringLiteral("/s");
}

} // namespace

SystemSnapshot SystemSnapshot::empty()
{
    return SystemSnapshot{};
}

QDateTime SystemSnapshot::distantPast()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

QString SystemSnapshot::formattedUptime() const
{
    constexpr double limit = static_cast<double>(std::numeric_limits<qint64>::max());
    const qint64 s = !(uptime > 0)     ? 0
                     : uptime >= limit ? std::numeric_limits<qint64>::max()
                                       : qint64(uptime);
    const qint64 days = s / 86400;
    const qint64 hours = (s % 86400) / 3600;
    const qint64 minutes = (s % 3600) / 60;
    if (s < 3600)
        return QString::number(minutes) + QLatin1Char('m');
    if (s < 86400)
        return QString::number(hours) + QStringLiteral("h ") + QString::number(minutes) + QLatin1Char('m');
    return QString::number(days) + QStringLiteral("d ") + QString::number(hours) + QLatin1Char('h');
}

QString SystemSnapshot::formattedCPU() const
{
    if (!cpuUsage || std::isnan(*cpuUsage))
        return kDash;
    // std::round takes halves away from zero: 0.125 reads 13%, where printf's "%.0f" would give 12.
    return QString::number(qint64(std::round(*cpuUsage * 100.0))) + QLatin1Char('%');
}

QString SystemSnapshot::formattedNetIn() const
{
    return rateText(netInRate);
}

QString SystemSnapshot::formattedNetOut() const
{
    return rateText(netOutRate);
}

} // namespace qm
