#pragma once

#include "core/system/BatteryInfo.h"
#include "platform/AppActivity.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace qm {

class Clock;
class Timer;

// The Battery page's own reading of the battery: reads at once, then 5 s after each reading has
// finished, off the GUI thread, and merges each reading over the last one (`BatteryInfo::coalesced`),
// so a value one reading missed is carried over for up to three readings. It reads while the
// application is active or inactive and stops only in the background: entering the background drops a
// reading in flight and stops the loop, leaving it starts again with an immediate reading. Lives on the
// GUI thread, belongs to its page and ends with it; stores nothing.
//
// For QML it also publishes what the page shows of the reading (see `BatteryDisplay`).
class BatteryPoller : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("QuillmereApp.createBatteryPoller makes the Battery page's poller")
    // Set after the first reading has finished; never reset.
    Q_PROPERTY(bool hasLoaded READ hasLoaded NOTIFY hasLoadedChanged)
    Q_PROPERTY(bool isPresent READ isPresent NOTIFY batteryChanged)
    Q_PROPERTY(bool isCharging READ isCharging NOTIFY batteryChanged)
    Q_PROPERTY(bool isPluggedIn READ isPluggedIn NOTIFY batteryChanged)
    Q_PROPERTY(bool isFull READ isFull NOTIFY batteryChanged)
    Q_PROPERTY(QString statusTitle READ statusTitle NOTIFY batteryChanged)
    // Empty when there is no detail line.
    Q_PROPERTY(QString statusDetail READ statusDetail NOTIFY batteryChanged)
    Q_PROPERTY(QString chargeText READ chargeText NOTIFY batteryChanged)
    Q_PROPERTY(double fillFraction READ fillFraction NOTIFY batteryChanged)
    Q_PROPERTY(QString powerSourceText READ powerSourceText NOTIFY batteryChanged)
    Q_PROPERTY(QString healthText READ healthText NOTIFY batteryChanged)
    Q_PROPERTY(QString cycleText READ cycleText NOTIFY batteryChanged)
    Q_PROPERTY(QString conditionText READ conditionText NOTIFY batteryChanged)
    Q_PROPERTY(QString conditionIcon READ conditionIcon NOTIFY batteryChanged)
    Q_PROPERTY(QString temperatureText READ temperatureText NOTIFY batteryChanged)
    Q_PROPERTY(QString timeTileTitle READ timeTileTitle NOTIFY batteryChanged)
    Q_PROPERTY(QString timeRemainingTileValue READ timeRemainingTileValue NOTIFY batteryChanged)
    Q_PROPERTY(QColor chargeColor READ chargeColor NOTIFY batteryChanged)
    Q_PROPERTY(QColor healthColor READ healthColor NOTIFY batteryChanged)
    Q_PROPERTY(QColor conditionColor READ conditionColor NOTIFY batteryChanged)

public:
    // One reading given the last one; runs on a pool thread.
    using Reader = std::function<BatteryInfo(const std::optional<BatteryInfo>& previous)>;

    // What the loop runs on. `clock` and `activity` must outlive the poller.
    struct Services
    {
        Clock& clock;
        AppActivity& activity;
        // The folder under which sys/class/power_supply is read (default "/"); used by the real reader.
        std::filesystem::path powerSupplyRoot = "/";
        // Replaces the real reading (`BatteryStats::read` over the power supplies) when set.
        Reader read = {};
    };

    // The wait between the end of one reading and the start of the next.
    static constexpr std::chrono::milliseconds kInterval{5000};

    // Starts the loop at once unless the application is in the background.
    explicit BatteryPoller(Services services, QObject* parent = nullptr);
    // A reading still running on the pool finishes on its own and is dropped.
    ~BatteryPoller() override;

    const BatteryInfo& battery() const { return m_battery; }
    bool hasLoaded() const { return m_hasLoaded; }
    // The loop runs (the application is not in the background).
    bool isPolling() const { return m_polling; }
    // A reading is under way on the pool.
    bool isReading() const { return m_reading; }

    bool isPresent() const { return m_battery.isPresent; }
    bool isCharging() const { return m_battery.isCharging; }
    bool isPluggedIn() const { return m_battery.isPluggedIn; }
    bool isFull() const;
    QString statusTitle() const;
    QString statusDetail() const;
    QString chargeText() const;
    double fillFraction() const;
    QString powerSourceText() const;
    QString healthText() const;
    QString cycleText() const;
    QString conditionText() const;
    QString conditionIcon() const;
    QString temperatureText() const;
    QString timeTileTitle() const;
    QString timeRemainingTileValue() const;
    QColor chargeColor() const;
    QColor healthColor() const;
    QColor conditionColor() const;

signals:
    // The shown reading changed (only when the merged reading differs from it).
    void batteryChanged();
    void hasLoadedChanged();

private:
    void start();
    void stop();
    void readNow();
    void finish(int generation, const BatteryInfo& previous, const BatteryInfo& reading);
    void activityChanged(AppActivity::State state);

    Reader m_read;
    std::unique_ptr<Timer> m_timer;
    BatteryInfo m_battery = BatteryInfo::unavailable();
    bool m_hasLoaded = false;
    bool m_polling = false;
    bool m_reading = false;
    // Bumped whenever the loop starts or stops: a reading of an earlier loop is dropped.
    int m_generation = 0;
};

} // namespace qm
