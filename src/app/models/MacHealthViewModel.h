#pragma once

#include "core/launchd/LaunchAgent.h"
#include "core/system/BatteryInfo.h"
#include "core/system/HealthAssessment.h"
#include "core/system/MacHealth.h"
#include "core/system/SystemSnapshot.h"
#include "platform/FileSystem.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace qm {

class Clock;

// The model of the System Health screen and of the glance and recommendation sections of the Smart Scan
// home. Each refresh measures, off the GUI thread and one after the other, the home volume, one system
// sample (without a previous one, so no processor usage or network rates), one battery reading and the
// launch folders; the newest refresh then publishes them, runs the health assessment over them and
// publishes its result. It also remembers, in memory only, which recommendations the user dismissed.
// Has no timer: the pages call `refresh`. Lives on the GUI thread and never blocks it.
//
// Severities reach QML as raw values (`HealthSeverities::toRaw`), recommendations as maps with `id`,
// `title`, `detail`, `severity` (raw), `actionLabel` and `target` (`HealthTargets::toRaw`).
class MacHealthViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")
    // How many refreshes have started; 0 before the first. Only the newest one publishes.
    Q_PROPERTY(int generation READ generation NOTIFY generationChanged)
    // A refresh is running and there is no assessment yet.
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    // The last assessment: whether there is one, its score (100 before the first) and its
    // recommendations in display order.
    Q_PROPERTY(bool hasResult READ hasResult NOTIFY resultChanged)
    Q_PROPERTY(int score READ score NOTIFY resultChanged)
    Q_PROPERTY(QVariantList recommendations READ recommendationList NOTIFY resultChanged)
    // The home volume's used and total bytes; both 0 until a reading succeeded.
    Q_PROPERTY(qint64 storageUsedBytes READ storageUsedBytes NOTIFY storageChanged)
    Q_PROPERTY(qint64 storageTotalBytes READ storageTotalBytes NOTIFY storageChanged)
    // The user's own login items (autostart entries and enabled user units) at the last refresh.
    Q_PROPERTY(int loginItemCount READ loginItemCount NOTIFY loginItemCountChanged)
    // Ids of the recommendations the user dismissed, sorted; see `dismiss` and `clearDismissed`.
    Q_PROPERTY(QStringList dismissed READ dismissedList NOTIFY dismissedChanged)
    Q_PROPERTY(int storageSeverity READ storageSeverityRaw NOTIFY storageChanged)
    Q_PROPERTY(int memorySeverity READ memorySeverityRaw NOTIFY snapshotChanged)
    Q_PROPERTY(int batterySeverity READ batterySeverityRaw NOTIFY batteryChanged)
    // The recommendations still worth showing (not good, not dismissed) and the most serious of them.
    Q_PROPERTY(QVariantList visibleIssues READ visibleIssueList NOTIFY issuesChanged)
    Q_PROPERTY(int displaySeverity READ displaySeverityRaw NOTIFY issuesChanged)
    // "Checking…", "Excellent", "Good", "Fair" or "Needs attention".
    Q_PROPERTY(QString displayRating READ displayRating NOTIFY issuesChanged)
    // The battery tile: "87%" (health, else charge) or "—", and "maximum capacity", "charge",
    // "unavailable" or "No battery".
    Q_PROPERTY(QString batteryValue READ batteryValue NOTIFY batteryChanged)
    Q_PROPERTY(QString batteryCaption READ batteryCaption NOTIFY batteryChanged)
    // The Storage tile: "62%" (used of total, rounded half away from zero) and "620 GB of 1 TB", or
    // "—" and "Couldn't read disk" without a volume reading.
    Q_PROPERTY(QString storageValue READ storageValue NOTIFY storageChanged)
    Q_PROPERTY(QString storageCaption READ storageCaption NOTIFY storageChanged)
    // The Memory tile: "48%" (at most 100, 0 without a total) or "—" without a memory figure, and
    // "7.5 GB of 16 GB" in the memory style, each size "—" when unknown.
    Q_PROPERTY(QString memoryValue READ memoryValue NOTIFY snapshotChanged)
    Q_PROPERTY(QString memoryCaption READ memoryCaption NOTIFY snapshotChanged)
    // "Up 3d 4h · Debian GNU/Linux 12 (bookworm)": the last sample's uptime and system name.
    Q_PROPERTY(QString uptimeText READ uptimeText NOTIFY snapshotChanged)

public:
    // Where a refresh's facts come from and how they are judged. Only `clock` is required; every other
    // member left empty means the real one. `clock` must outlive the model. The functions run on a pool
    // thread, one refresh's calls one after the other.
    struct Services
    {
        // Stamps the system sample.
        Clock& clock;
        // The home folder (default: the user's) and the root below which the system's Library folders
        // lie (default "/"); the real volume reading and launch-folder scan use them.
        std::optional<Path> home = std::nullopt;
        std::optional<Path> systemRoot = std::nullopt;
        // The home volume (default: `MacHealth::read(home)`).
        std::function<MacHealth()> volume = {};
        // One system sample after `previous` (default: `SystemStats::snapshot` on this machine). The
        // model always passes none.
        std::function<SystemSnapshot(const std::optional<SystemSnapshot>& previous)> sample = {};
        // One battery reading given the last one (default: `BatteryStats::read` on this machine).
        std::function<BatteryInfo(const std::optional<BatteryInfo>& previous)> battery = {};
        // The launch jobs (default: a `LaunchAgentScanner` over `standardDirsOf(home, systemRoot)`;
        // only its job list is used).
        std::function<std::vector<LaunchAgent>()> launchAgents = {};
        // The health rules (default: `HealthAssessment::evaluate`). Called on the GUI thread.
        std::function<HealthAssessment::Result(const HealthAssessment::Input&)> evaluate = {};
    };

    explicit MacHealthViewModel(Services services, QObject* parent = nullptr);
    // A refresh still running on the pool finishes on its own and is dropped.
    ~MacHealthViewModel() override;

    int generation() const { return m_generation; }
    bool isLoading() const { return m_isLoading; }
    const std::optional<HealthAssessment::Result>& result() const { return m_result; }
    bool hasResult() const { return m_result.has_value(); }
    int score() const { return m_result ? m_result->score : 100; }
    QVariantList recommendationList() const;
    const MacHealth& storage() const { return m_storage; }
    qint64 storageUsedBytes() const { return m_storage.usedBytes; }
    qint64 storageTotalBytes() const { return m_storage.totalBytes; }
    const SystemSnapshot& snapshot() const { return m_snapshot; }
    const BatteryInfo& battery() const { return m_battery; }
    int loginItemCount() const { return m_loginItemCount; }
    const std::set<QString>& dismissed() const { return m_dismissed; }
    QStringList dismissedList() const;

    // Unknown without a volume reading; critical at 90% used or below 8 GB free; warning from 80%.
    HealthSeverity storageSeverity() const;
    // Unknown without a memory figure; warning from 90% used; never critical.
    HealthSeverity memorySeverity() const;
    // Unknown without a battery (or without health or a service request); critical below 70%;
    // warning from 70 to 79% or when service is recommended; otherwise good.
    HealthSeverity batterySeverity() const;
    // The assessment's recommendations in order, without the good ones and the dismissed ones; none
    // before the first assessment.
    std::vector<HealthRecommendation> visibleIssues() const;
    // The most serious visible issue's severity; good when there is none.
    HealthSeverity displaySeverity() const;
    QString displayRating() const;
    QString batteryValue() const;
    QString batteryCaption() const;
    QString storageValue() const;
    QString storageCaption() const;
    QString memoryValue() const;
    QString memoryCaption() const;
    QString uptimeText() const;

    int storageSeverityRaw() const;
    int memorySeverityRaw() const;
    int batterySeverityRaw() const;
    int displaySeverityRaw() const;
    QVariantList visibleIssueList() const;

    // Starts a refresh and returns at once. The assessment on screen stays until the newest refresh
    // publishes; `isLoading` turns true only while there is none.
    Q_INVOKABLE void refresh();
    // Records `id` (a recommendation's id) as dismissed; an empty id or one already recorded changes
    // nothing.
    Q_INVOKABLE void dismiss(const QString& id);
    // Forgets every dismissal.
    Q_INVOKABLE void clearDismissed();

signals:
    void generationChanged();
    void isLoadingChanged();
    void resultChanged();
    void storageChanged();
    void snapshotChanged();
    void batteryChanged();
    void loginItemCountChanged();
    void dismissedChanged();
    // The visible issues, the display severity or the rating may have changed.
    void issuesChanged();

private:
    // What one refresh measured, handed from the pool to the GUI thread.
    struct Facts
    {
        MacHealth volume;
        SystemSnapshot sample;
        BatteryInfo battery;
        BatteryInfo previousBattery; // the published reading when the refresh started
        std::vector<LaunchAgent> agents;
    };

    void apply(int generation, const Facts& facts);
    // Runs the assessment over the published state and publishes its result.
    void recompute();
    void setIsLoading(bool value);

    std::function<MacHealth()> m_volume;
    std::function<SystemSnapshot(const std::optional<SystemSnapshot>&)> m_sample;
    std::function<BatteryInfo(const std::optional<BatteryInfo>&)> m_readBattery;
    std::function<std::vector<LaunchAgent>()> m_launchAgents;
    std::function<HealthAssessment::Result(const HealthAssessment::Input&)> m_evaluate;

    std::optional<HealthAssessment::Result> m_result;
    MacHealth m_storage;
    SystemSnapshot m_snapshot = SystemSnapshot::empty();
    BatteryInfo m_battery = BatteryInfo::unavailable();
    int m_loginItemCount = 0;
    bool m_isLoading = true;
    std::set<QString> m_dismissed;
    int m_generation = 0;
};

} // namespace qm
