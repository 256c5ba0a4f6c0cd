#include "core/system/HealthAssessment.h"

#include "core/model/Formatting.h"

#include <algorithm>

namespace qm::HealthAssessment {
namespace {

constexpr double kGB = 1e9;

struct Finding
{
    HealthRecommendation recommendation;
    int penalty = 0;
};

HealthRecommendation make(QString title, QString detail, HealthSeverity severity, QString actionLabel,
                          HealthTarget target, QString recurrenceKey = {})
{
    return HealthRecommendation{std::move(recurrenceKey), std::move(title),
                                std::move(detail),        severity,
                                std::move(actionLabel),   target};
}

std::optional<Finding> disk(const Input& input)
{
    if (!input.hasDisk)
        return std::nullopt;
    const double freeGB = double(input.diskFreeBytes) / kGB;
    const double percent = input.diskUsedFraction * 100;
    if (input.diskUsedFraction >= 0.9 || freeGB < 8) {
        const QString detail =
            freeGB < 8
                ? Formatting::cFormat(
                      "Only %.1f GB free. Low free space slows your system down and can block updates.",
                      freeGB)
                : Formatting::cFormat(
                      "%.0f%% of your disk is used, leaving %.1f GB free. Clearing space keeps "
                      "things running smoothly.",
                      percent, freeGB);
        return Finding{make(QStringLiteral("Disk is almost full"), detail, HealthSeverity::critical,
                            QStringLiteral("Free up space"), HealthTarget::cleanup),
                       25};
    }
    if (input.diskUsedFraction >= 0.8) {
        return Finding{
            make(QStringLiteral("Disk is filling up"),
                 Formatting::cFormat("%.0f%% of your disk is used. Clearing junk now keeps things smooth.",
                                     percent),
                 HealthSeverity::warning, QStringLiteral("Run Cleanup"), HealthTarget::cleanup),
            12};
    }
    return std::nullopt;
}

std::optional<Finding> memory(const Input& input)
{
    if (!input.hasMemory || input.memoryUsedFraction < 0.9)
        return std::nullopt;
    return Finding{
        make(QStringLiteral("Memory is under pressure"),
             QStringLiteral(
                 "RAM is nearly full. Free inactive memory or quit heavy apps to keep things responsive."),
             HealthSeverity::warning, QStringLiteral("Open Performance"), HealthTarget::performance),
        15};
}

std::optional<Finding> battery(const Input& input)
{
    const auto finding = [](const QString& title, const QString& detail, HealthSeverity severity,
                            int penalty) {
        return Finding{make(title, detail, severity, QStringLiteral("View battery"), HealthTarget::battery),
                       penalty};
    };
    const QString wearingDown = QStringLiteral("Battery is wearing down");
    if (const std::optional<int> health = input.batteryHealthPercent) {
        const QString capacity = QStringLiteral("Maximum capacity is ") + QString::number(*health);
        if (*health < 70) {
            return finding(QStringLiteral("Battery is worn out"),
                           capacity + QStringLiteral("%. Your battery holds much less charge than when new."),
                           HealthSeverity::critical, 20);
        }
        if (*health < 80) {
            return finding(wearingDown,
                           capacity + QStringLiteral("%. Service is recommended once it drops below 80%."),
                           HealthSeverity::warning, 12);
        }
        if (input.batteryServiceRecommended) {
            return finding(
                wearingDown,
                capacity + QStringLiteral("%, but the system is reporting battery service is recommended."),
                HealthSeverity::warning, 12);
        }
        return std::nullopt;
    }
    if (input.batteryServiceRecommended) {
        return finding(wearingDown,
                       QStringLiteral("The system is reporting that battery service is recommended."),
                       HealthSeverity::warning, 12);
    }
    return std::nullopt;
}

std::optional<Finding> loginItems(const Input& input)
{
    const int n = input.loginItemCount;
    if (n >= 9) {
        return Finding{
            make(QStringLiteral("Lots of startup items"),
                 QString::number(n) +
                     QStringLiteral(" items launch at login, slowing every startup. Trim the ones you "
                                    "don't need."),
                 HealthSeverity::warning, QStringLiteral("Manage startup"), HealthTarget::performance),
            10};
    }
    if (n >= 5) {
        return Finding{
            make(QStringLiteral("Several startup items"),
                 QString::number(n) + QStringLiteral(" items launch at login. Review them to speed up boot."),
                 HealthSeverity::good, QStringLiteral("Review"), HealthTarget::performance),
            0};
    }
    return std::nullopt;
}

std::optional<Finding> uptime(const Input& input)
{
    const int d = input.uptimeDays;
    const QString key = QString::number(d / 7);
    if (d >= 14) {
        return Finding{make(QStringLiteral("Time to restart"),
                            QStringLiteral("Your computer has been up ") + QString::number(d) +
                                QStringLiteral(" days. A restart clears caches and frees memory."),
                            HealthSeverity::warning, QStringLiteral("Got it"), HealthTarget::none, key),
                       10};
    }
    if (d >= 7) {
        return Finding{make(QStringLiteral("Consider a restart"),
                            QStringLiteral("Up ") + QString::number(d) +
                                QStringLiteral(" days. Restarting weekly keeps your system at its best."),
                            HealthSeverity::good, QStringLiteral("Got it"), HealthTarget::none, key),
                       0};
    }
    return std::nullopt;
}

} // namespace

Result evaluate(const Input& input)
{
    Result result;
    int penalty = 0;
    for (const auto rule : {disk, memory, battery, loginItems, uptime}) {
        if (std::optional<Finding> finding = rule(input)) {
            penalty += finding->penalty;
            result.recommendations.push_back(std::move(finding->recommendation));
        }
    }
    const bool anyIssue =
        std::any_of(result.recommendations.begin(), result.recommendations.end(),
                    [](const HealthRecommendation& r) { return r.severity > HealthSeverity::good; });
    if (!anyIssue) {
        result.recommendations.push_back(
            make(QStringLiteral("Everything looks great"),
                 QStringLiteral("No issues found. Your computer is clean, fast, and healthy."),
                 HealthSeverity::good, QStringLiteral("Run Smart Scan"), HealthTarget::smartScan));
    }
    std::stable_sort(
        result.recommendations.begin(), result.recommendations.end(),
        [](const HealthRecommendation& a, const HealthRecommendation& b) { return a.severity > b.severity; });
    result.score = 100 - penalty;
    return result;
}

} // namespace qm::HealthAssessment
