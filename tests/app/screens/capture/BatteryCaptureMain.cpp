// Shows the Battery page over fixture power supplies and saves a picture of each state, for people to
// look at (never compared by pixels): charging, on battery, and without a battery. Needs a display (see
// with_xvfb.sh).
// Usage: qm_battery_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/battery-NAME.png; exits 1 when a state was not reached or a picture not saved.
#include "BatteryScreenFixture.h"
#include "ScreenCapture.h"

#include <QDir>
#include <QGuiApplication>
#include <QTest>

#include <cstdio>
#include <functional>

namespace {

using qm::test::BatteryScreenFixture;
using qm::test::ScreenCapture;

const QSize kPageSize(900, 820);
// Long enough for the ring to fill, milliseconds.
constexpr int kSettleMs = 1200;

void shoot(ScreenCapture& shot, const QString& name, const QString& state,
           const std::function<void(BatteryScreenFixture&)>& build)
{
    BatteryScreenFixture f;
    build(f);
    if (!f.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load: ") + f.screen().errors().join(QLatin1Char('\n')));
        return;
    }
    if (!f.readingShown() || f.screen().contentName() != state) {
        shot.fail(name + QStringLiteral(": not in ") + state);
        return;
    }
    if (shot.shoot(f.screen(), name))
        shot.checkWarnings(f.screen().warnings());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication app(argc, argv);
    const QString folder = ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_battery_capture");
    if (folder.isEmpty())
        return 2;
    // The pointer rests on the backdrop, so no tile is lifted.
    ScreenCapture shot(folder, QStringLiteral("battery"),
                       QPoint(kPageSize.width() - 4, kPageSize.height() - 4), kSettleMs);
    const QString reading = QStringLiteral("readingState");
    shoot(shot, QStringLiteral("charging"), reading, [](BatteryScreenFixture& f) {
        f.addBattery({{"status", "Charging"},
                      {"capacity", "64"},
                      {"charge_full_design", "5000000"},
                      {"charge_full", "4600000"},
                      {"charge_now", "2950000"},
                      {"cycle_count", "312"},
                      {"temp", "307"},
                      {"time_to_full_now", "5700"}},
                     true);
    });
    shoot(shot, QStringLiteral("onbattery"), reading, [](BatteryScreenFixture& f) {
        f.addBattery({{"status", "Discharging"},
                      {"capacity", "34"},
                      {"charge_full_design", "5000000"},
                      {"charge_full", "3700000"},
                      {"charge_now", "1250000"},
                      {"cycle_count", "1024"},
                      {"temp", "345"},
                      {"time_to_empty_now", "6300"}},
                     false);
    });
    shoot(shot, QStringLiteral("nobattery"), QStringLiteral("noBatteryState"), [](BatteryScreenFixture&) {});
    return shot.failed() ? 1 : 0;
}
