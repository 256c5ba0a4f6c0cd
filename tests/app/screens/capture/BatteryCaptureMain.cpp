// Shows the Battery page over fixture power supplies and saves a picture of each state, for people to
// look at (never compared by pixels): charging, on battery, and without a battery. Needs a display (see
// with_xvfb.sh).
// Usage: qm_battery_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/battery-NAME.png; exits 1 when a state was not reached or a picture not saved.
#include "BatteryScreenFixture.h"

#include <QDir>
#include <QGuiApplication>
#include <QTest>

#include <cstdio>
#include <functional>

namespace {

using qm::test::BatteryScreenFixture;

const QSize kPageSize(900, 820);
// Long enough for the ring to fill, milliseconds.
constexpr int kSettleMs = 1200;

bool g_failed = false;

void fail(const QString& why)
{
    std::fprintf(stderr, "FAIL: %s\n", qPrintable(why));
    g_failed = true;
}

void shoot(const QString& folder, const QString& name, const QString& state,
           const std::function<void(BatteryScreenFixture&)>& build)
{
    BatteryScreenFixture f;
    build(f);
    if (!f.open(kPageSize)) {
        fail(QStringLiteral("the page did not load: ") + f.screen().errors().join(QLatin1Char('\n')));
        return;
    }
    if (!f.readingShown() || f.screen().contentName() != state) {
        fail(name + QStringLiteral(": not in ") + state);
        return;
    }
    // The pointer rests on the backdrop, so no tile is lifted.
    QTest::mouseMove(f.screen().window(), QPoint(kPageSize.width() - 4, kPageSize.height() - 4));
    f.screen().wait(kSettleMs);
    const QString path = folder + QStringLiteral("/battery-") + name + QStringLiteral(".png");
    const QImage picture = f.screen().grab();
    if (picture.isNull() || !picture.save(path)) {
        fail(QStringLiteral("could not save ") + path);
        return;
    }
    std::printf("saved %s\n", qPrintable(path));
    if (!f.screen().warnings().isEmpty())
        fail(QStringLiteral("Qt warned: ") + f.screen().warnings().join(QLatin1Char('\n')));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: qm_battery_capture OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QDir(args.at(1)).absolutePath();
    QDir().mkpath(folder);
    const QString reading = QStringLiteral("readingState");
    shoot(folder, QStringLiteral("charging"), reading, [](BatteryScreenFixture& f) {
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
    shoot(folder, QStringLiteral("onbattery"), reading, [](BatteryScreenFixture& f) {
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
    shoot(folder, QStringLiteral("nobattery"), QStringLiteral("noBatteryState"),
          [](BatteryScreenFixture&) {});
    return g_failed ? 1 : 0;
}
