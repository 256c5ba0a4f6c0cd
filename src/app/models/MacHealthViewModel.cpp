#include "app/models/MacHealthViewModel.h"

#include "core/launchd/LaunchAgentScanner.h"
#include "core/model/Formatting.h"
#include "core/system/BatteryStats.h"
#include "core/system/SystemStats.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

namespace qm {
namespace {

// The queue priority of work the user is waiting for.
constexpr int kUserInitiatedPriority = 1;

constexpr double kGB = 1e9;
constexpr double kSecondsPerDay = 86'400;

const QString kDash = QStringLiteral("\u2014");

// Whole days of `seconds`, truncated toward zero; 0 for a value that is not a number, and limited to
// the int range so that no reading can overflow the conversion.
int uptimeDays(double seconds)
{
    const double days = std::trunc(seconds / kSecondsPerDay);
    if (std::isnan(days))
        return 0;
    return int(
        std::clamp(days, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

QVariantMap recommendationMap(const HealthRecommendation& recommendation)
{
    return QVariantMap{
        {QStringLiteral("id"), recommendation.id()},
        {QStringLiteral("title"), recommendation.title},
        {QStringLiteral("detail"), recommendation.detail},
        {QStringLiteral("severity"), HealthSeverities::toRaw(recommendation.severity)},
        {QStringLiteral("actionLabel"), recommendation.actionLabel},
        {QStringLiteral("target"), HealthTargets::toRaw(recommendation.target)},
    };
}

QVariantList recommendationMaps(const std::vector<HealthRecommendation>& recommendations)
{
    QVariantList list;
    list.reserve(qsizetype(recommendations.size()));
    for (const HealthRecommendation& recommendation : recommendations)
        list.append(recommendationMap(recommendation));
    return list;
}

// `fraction` × 100 rounded half away from zero, followed by "%".
QString percentText(double fraction)
{
    return QString::number(qint64(std::round(fraction * 100))) + QLatin1Char('%');
}

} // namespace

MacHealthViewModel::MacHealthViewModel(Services services, QObject* parent)
    : QObject(parent), m_volume(std::move(services.volume)), m_sample(std::move(services.sample)),
      m_readBattery(std::move(services.battery)), m_launchAgents(std::move(services.launchAgents)),
      m_evaluate(std::move(services.evaluate))
{
    const Path home = services.home ? *services.home : FileSystem::homeDirectory();
    const Path systemRoot = services.systemRoot ? *services.systemRoot : Path("/");
    if (!m_volume)
        m_volume = [home] { return MacHealth::read(home); };
    if (!m_sample) {
        m_sample = [clock = &services.clock](const std::optional<SystemSnapshot>& previous) {
            SystemStats::Sources sources;
            sources.clock = clock;
            return SystemStats::snapshot(previous, sources);
        };
    }
    if (!m_readBattery)
        m_readBattery = [](const std::optional<BatteryInfo>& previous) {
            return BatteryStats::read(previous);
        };
    if (!m_launchAgents) {
        // Built once; every refresh scans with a copy.
        m_launchAgents = [scanner = LaunchAgentScanner(
                              FileSystem(), LaunchAgentScanner::standardDirsOf(home, systemRoot))] {
            return scanner.scanWithCoverage().agents;
        };
    }
    if (!m_evaluate)
        m_evaluate = HealthAssessment::evaluate;
}

MacHealthViewModel::~MacHealthViewModel() = default;

// ---- refresh ----

void MacHealthViewModel::refresh()
{
    setIsLoading(!m_result.has_value());
    const int generation = ++m_generation;
    emit generationChanged();

    const QPointer<MacHealthViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, volume = m_volume, sample = m_sample, readBattery = m_readBattery,
         launchAgents = m_launchAgents, previousBattery = m_battery] {
            // First the volume, the sample and the battery, then the launch folders: never at once.
            auto facts = std::make_shared<Facts>();
            facts->volume = volume();
            facts->sample = sample(std::nullopt);
            facts->battery = readBattery(previousBattery);
            facts->previousBattery = previousBattery;
            facts->agents = launchAgents();
            // Queued on the application object, which outlives every model; dropped once the model
            // is gone.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, generation, facts] {
                    if (self)
                        self->apply(generation, *facts);
                },
                Qt::QueuedConnection);
        },
        kUserInitiatedPriority);
}

void MacHealthViewModel::apply(int generation, const Facts& facts)
{
    if (generation != m_generation)
        return; // a newer refresh publishes and clears the loading state

    // A volume that could not be read keeps an earlier good reading on screen.
    if (!(facts.volume.totalBytes < 1 && m_storage.totalBytes >= 1) && facts.volume != m_storage) {
        m_storage = facts.volume;
        emit storageChanged();
    }
    if (facts.sample != m_snapshot) {
        m_snapshot = facts.sample;
        emit snapshotChanged();
    }
    const BatteryInfo battery = facts.battery.coalesced(facts.previousBattery);
    if (battery != m_battery) {
        m_battery = battery;
        emit batteryChanged();
    }
    const int logins =
        int(std::count_if(facts.agents.begin(), facts.agents.end(),
                          [](const LaunchAgent& agent) { return agent.domain == LaunchDomain::userAgent; }));
    if (logins != m_loginItemCount) {
        m_loginItemCount = logins;
        emit loginItemCountChanged();
    }
    recompute();
    setIsLoading(false);
}

void MacHealthViewModel::recompute()
{
    const qint64 t = m_storage.totalBytes;
    const qint64 u = m_storage.usedBytes;
    HealthAssessment::Input input;
    input.diskUsedFraction = t < 1 ? 0 : double(u) / double(t);
    input.diskFreeBytes = std::max<qint64>(m_storage.availableBytes, 0);
    input.hasDisk = t > 0;
    const std::optional<qint64> used = m_snapshot.usedRAM;
    input.memoryUsedFraction =
        !used || m_snapshot.totalRAM <= 0 ? 0 : std::min(double(*used) / double(m_snapshot.totalRAM), 1.0);
    input.hasMemory = used.has_value();
    input.loginItemCount = m_loginItemCount;
    input.batteryHealthPercent = m_battery.isPresent ? m_battery.healthPercent : std::nullopt;
    input.batteryServiceRecommended =
        m_battery.isPresent && m_battery.condition == BatteryCondition::serviceRecommended;
    input.uptimeDays = uptimeDays(m_snapshot.uptime);

    m_result = m_evaluate(input);
    emit resultChanged();
    emit issuesChanged();
}

void MacHealthViewModel::setIsLoading(bool value)
{
    if (m_isLoading == value)
        return;
    m_isLoading = value;
    emit isLoadingChanged();
}

// ---- dismissals ----

QStringList MacHealthViewModel::dismissedList() const
{
    return QStringList(m_dismissed.begin(), m_dismissed.end());
}

void MacHealthViewModel::dismiss(const QString& id)
{
    if (id.isEmpty() || !m_dismissed.insert(id).second)
        return;
    emit dismissedChanged();
    emit issuesChanged();
}

void MacHealthViewModel::clearDismissed()
{
    if (m_dismissed.empty())
        return;
    m_dismissed.clear();
    emit dismissedChanged();
    emit issuesChanged();
}

// ---- derived values ----

QVariantList MacHealthViewModel::recommendationList() const
{
    return m_result ? recommendationMaps(m_result->recommendations) : QVariantList();
}

HealthSeverity MacHealthViewModel::storageSeverity() const
{
    const qint64 t = m_storage.totalBytes;
    const qint64 u = m_storage.usedBytes;
    if (t < 1)
        return HealthSeverity::unknown;
    const double fraction = double(u) / double(t);
    if (fraction >= 0.9 || double(std::max<qint64>(m_storage.availableBytes, 0)) / kGB < 8)
        return HealthSeverity::critical;
    if (fraction >= 0.8)
        return HealthSeverity::warning;
    return HealthSeverity::good;
}

HealthSeverity MacHealthViewModel::memorySeverity() const
{
    if (!m_snapshot.usedRAM)
        return HealthSeverity::unknown;
    if (m_snapshot.totalRAM > 0 && double(*m_snapshot.usedRAM) / double(m_snapshot.totalRAM) >= 0.9)
        return HealthSeverity::warning;
    return HealthSeverity::good;
}

HealthSeverity MacHealthViewModel::batterySeverity() const
{
    if (!m_battery.isPresent)
        return HealthSeverity::unknown;
    const bool service = m_battery.condition == BatteryCondition::serviceRecommended;
    const std::optional<int> health = m_battery.healthPercent;
    if (!health)
        return service ? HealthSeverity::warning : HealthSeverity::unknown;
    if (*health < 70)
        return HealthSeverity::critical;
    if (*health >= 80)
        return service ? HealthSeverity::warning : HealthSeverity::good;
    return HealthSeverity::warning;
}

std::vector<HealthRecommendation> MacHealthViewModel::visibleIssues() const
{
    std::vector<HealthRecommendation> issues;
    if (!m_result)
        return issues;
    for (const HealthRecommendation& recommendation : m_result->recommendations) {
        if (recommendation.severity != HealthSeverity::good && !m_dismissed.contains(recommendation.id()))
            issues.push_back(recommendation);
    }
    return issues;
}

HealthSeverity MacHealthViewModel::displaySeverity() const
{
    const std::vector<HealthRecommendation> issues = visibleIssues();
    if (issues.empty())
        return HealthSeverity::good;
    return std::max_element(issues.begin(), issues.end(),
                            [](const auto& a, const auto& b) { return a.severity < b.severity; })
        ->severity;
}

QString MacHealthViewModel::displayRating() const
{
    if (!m_result)
        return QStringLiteral("Checking\u2026");
    const int s = m_result->score;
    const QString attention = QStringLiteral("Needs attention");
    if (visibleIssues().empty()) {
        if (s >= 85)
            return QStringLiteral("Excellent");
        if (s >= 70)
            return QStringLiteral("Good");
        if (s >= 50)
            return QStringLiteral("Fair");
        return attention;
    }
    if (displaySeverity() == HealthSeverity::critical)
        return attention;
    return s >= 50 ? QStringLiteral("Fair") : attention;
}

QString MacHealthViewModel::batteryValue() const
{
    if (!m_battery.isPresent)
        return kDash;
    if (m_battery.healthPercent)
        return QString::number(*m_battery.healthPercent) + QLatin1Char('%');
    if (m_battery.chargePercent)
        return QString::number(*m_battery.chargePercent) + QLatin1Char('%');
    return kDash;
}

QString MacHealthViewModel::batteryCaption() const
{
    if (!m_battery.isPresent)
        return QStringLiteral("No battery");
    if (m_battery.healthPercent)
        return QStringLiteral("maximum capacity");
    if (m_battery.chargePercent)
        return QStringLiteral("charge");
    return QStringLiteral("unavailable");
}

QString MacHealthViewModel::storageValue() const
{
    if (m_storage.totalBytes < 1)
        return kDash;
    return percentText(double(m_storage.usedBytes) / double(m_storage.totalBytes));
}

QString MacHealthViewModel::storageCaption() const
{
    if (m_storage.totalBytes < 1)
        return QStringLiteral("Couldn't read disk");
    return Formatting::byteCount(m_storage.usedBytes) + QStringLiteral(" of ") +
           Formatting::byteCount(m_storage.totalBytes);
}

QString MacHealthViewModel::memoryValue() const
{
    if (!m_snapshot.usedRAM)
        return kDash;
    if (m_snapshot.totalRAM <= 0)
        return percentText(0);
    return percentText(std::min(double(*m_snapshot.usedRAM) / double(m_snapshot.totalRAM), 1.0));
}

QString MacHealthViewModel::memoryCaption() const
{
    const QString used = m_snapshot.usedRAM ? Formatting::memoryByteCount(*m_snapshot.usedRAM) : kDash;
    const QString total = m_snapshot.totalRAM >= 1 ? Formatting::memoryByteCount(m_snapshot.totalRAM) : kDash;
    return used + QStringLiteral(" of ") + total;
}

QString MacHealthViewModel::uptimeText() const
{
    return QStringLiteral("Up ") + m_snapshot.formattedUptime() + QStringLiteral(" \u00b7 ") +
           m_snapshot.osVersion;
}

int MacHealthViewModel::storageSeverityRaw() const
{
    return HealthSeverities::toRaw(storageSeverity());
}

int MacHealthViewModel::memorySeverityRaw() const
{
    return HealthSeverities::toRaw(memorySeverity());
}

int MacHealthViewModel::batterySeverityRaw() const
{
    return HealthSeverities::toRaw(batterySeverity());
}

int MacHealthViewModel::displaySeverityRaw() const
{
    return HealthSeverities::toRaw(displaySeverity());
}

QVariantList MacHealthViewModel::visibleIssueList() const
{
    return recommendationMaps(visibleIssues());
}

} // namespace qm
