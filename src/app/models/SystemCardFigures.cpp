#include "app/models/SystemCardFigures.h"

#include "app/models/BatteryDisplay.h"
#include "core/model/Formatting.h"

#include <QVariantMap>

#include <algorithm>

namespace qm {
namespace {

const QString kDash = QStringLiteral("\u2014");

QString memoryText(qint64 bytes)
{
    return Formatting::memoryByteCount(bytes);
}

// Disk amounts: "—" when absent, "0 KB" below 1 byte, else the file byte-count style.
QString diskText(const std::optional<qint64>& bytes)
{
    if (!bytes)
        return kDash;
    return Formatting::byteCount(*bytes);
}

QString thermalName(const SystemSnapshot& snapshot)
{
    if (snapshot.cores < 1)
        return kDash;
    switch (snapshot.thermal) {
    case ThermalState::nominal:
        return QStringLiteral("Normal");
    case ThermalState::fair:
        return QStringLiteral("Fair");
    case ThermalState::serious:
        return QStringLiteral("Serious");
    case ThermalState::critical:
        return QStringLiteral("Critical");
    }
    return kDash;
}

} // namespace

SystemCardFigures::Figures SystemCardFigures::compute(const SystemSnapshot& s, const BatteryInfo& battery)
{
    Figures f;
    f.placeholder = s.cores < 1;

    const double cpu = s.cpuUsage.value_or(0.0);
    f.bars.push_back(Bar{QStringLiteral("CPU"), s.formattedCPU(), std::clamp(cpu, 0.0, 1.0),
                         s.cpuUsage.has_value(), 0.85});

    const QString used = s.usedRAM ? memoryText(*s.usedRAM) : kDash;
    const QString total = s.totalRAM < 1 ? kDash : memoryText(s.totalRAM);
    double memoryFraction = 0;
    if (s.usedRAM && s.totalRAM >= 1)
        memoryFraction = std::clamp(double(*s.usedRAM) / double(s.totalRAM), 0.0, 1.0);
    f.bars.push_back(Bar{QStringLiteral("Memory"),
                         used + QStringLiteral(" of ") + total + QStringLiteral(" used"), memoryFraction,
                         s.usedRAM.has_value(), 0.85});

    double diskFraction = 0;
    // The bar shows what is in use as df counts it: root's reserve is neither in use nor free.
    if (s.diskUsed && s.diskTotal && *s.diskTotal >= 1)
        diskFraction = std::clamp(double(*s.diskUsed) / double(*s.diskTotal), 0.0, 1.0);
    f.bars.push_back(Bar{QStringLiteral("Disk"),
                         diskText(s.diskFree) + QStringLiteral(" free of ") + diskText(s.diskTotal),
                         diskFraction, s.diskTotal.has_value(), 0.9});

    f.rows.push_back({Tile{QStringLiteral("\u2193 Download"), s.formattedNetIn()},
                      Tile{QStringLiteral("\u2191 Upload"), s.formattedNetOut()}});

    const QString free = s.usedRAM ? memoryText(std::max<qint64>(s.totalRAM - *s.usedRAM, 0)) : kDash;
    const QString load = s.load1 ? Formatting::cFormat("%.2f", *s.load1) : kDash;
    f.rows.push_back({Tile{QStringLiteral("Free"), free},
                      Tile{QStringLiteral("CPU cores"), QString::number(s.cores)},
                      Tile{QStringLiteral("Load"), load}});

    std::vector<Tile> last;
    if (battery.isPresent) {
        const QString title =
            battery.isCharging ? QStringLiteral("Battery \u26A1\uFE0E") : QStringLiteral("Battery");
        const QString charge =
            battery.chargePercent ? QString::number(*battery.chargePercent) + QLatin1Char('%') : kDash;
        const QString temperature = BatteryDisplay::temperatureText(battery);
        last.push_back(Tile{title, charge});
        last.push_back(Tile{QStringLiteral("Battery temp"), temperature});
    }
    last.push_back(Tile{QStringLiteral("Thermal"), thermalName(s)});
    last.push_back(Tile{QStringLiteral("Uptime"), s.formattedUptime()});
    f.rows.push_back(std::move(last));
    return f;
}

SystemCardFigures::SystemCardFigures(QObject* parent) : QObject(parent)
{
    recompute();
}

void SystemCardFigures::setStats(LiveStats* stats)
{
    if (m_stats == stats)
        return;
    if (m_stats != nullptr)
        disconnect(m_stats, nullptr, this, nullptr);
    m_stats = stats;
    if (stats != nullptr) {
        connect(stats, &LiveStats::snapshotChanged, this, &SystemCardFigures::recompute);
        connect(stats, &LiveStats::batteryChanged, this, &SystemCardFigures::recompute);
        connect(stats, &QObject::destroyed, this, &SystemCardFigures::recompute);
    }
    emit statsChanged();
    recompute();
}

void SystemCardFigures::recompute()
{
    if (m_stats != nullptr)
        m_figures = compute(m_stats->snapshot(), m_stats->battery());
    else
        m_figures = compute(SystemSnapshot::empty(), BatteryInfo::unavailable());
    emit figuresChanged();
}

QVariantList SystemCardFigures::barList() const
{
    QVariantList list;
    for (const Bar& bar : m_figures.bars)
        list.append(QVariantMap{{QStringLiteral("label"), bar.label},
                                {QStringLiteral("value"), bar.value},
                                {QStringLiteral("fraction"), bar.fraction},
                                {QStringLiteral("known"), bar.known},
                                {QStringLiteral("warnAbove"), bar.warnAbove}});
    return list;
}

QVariantList SystemCardFigures::rowList() const
{
    QVariantList rows;
    for (const auto& row : m_figures.rows) {
        QVariantList tiles;
        for (const Tile& tile : row)
            tiles.append(
                QVariantMap{{QStringLiteral("label"), tile.label}, {QStringLiteral("value"), tile.value}});
        rows.append(QVariant(tiles));
    }
    return rows;
}

} // namespace qm
