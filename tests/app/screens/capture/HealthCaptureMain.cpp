// Drives the System Health page through its states and saves a picture of each, for people to look at
// (never compared by pixels): checking, with issues, and all clear. Needs a display (see with_xvfb.sh).
// Usage: qm_health_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/health-NAME.png; exits 1 when a state was not reached or a picture not saved.
#include "HealthScreenFixture.h"
#include "ScreenCapture.h"

#include <QDir>
#include <QGuiApplication>
#include <QTest>

#include <cstdio>

namespace {

using qm::test::HealthScreenFixture;
using qm::test::ScreenCapture;
using Facts = HealthScreenFixture::Facts;

const QSize kPageSize(900, 820);
// Long enough for the ring, the cards' rise and the switch of states to settle, milliseconds.
constexpr int kSettleMs = 1500;
constexpr qint64 GB = 1'000'000'000;

// A computer with a full disk, a worn battery, many login items and three weeks of uptime.
void withIssues(ScreenCapture& shot)
{
    HealthScreenFixture f;
    qm::BatteryInfo worn = qm::BatteryInfo::unavailable();
    worn.isPresent = true;
    worn.healthPercent = 76;
    worn.chargePercent = 54;
    worn.condition = qm::BatteryCondition::serviceRecommended;
    f.set([&](Facts& facts) {
        facts.volume = Facts{}.volume;
        facts.volume.usedBytes = 462 * GB;
        facts.volume.totalBytes = 494 * GB;
        facts.sample = HealthScreenFixture::sampleUp(16);
        facts.battery = worn;
        facts.loginItems = 11;
    });
    f.gate().arm();
    if (!f.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load: ") + f.screen().errors().join(QLatin1Char('\n')));
        return;
    }
    if (!shot.check(f.screen().settle([&] { return f.gate().holding(); }), QStringLiteral("no refresh held")))
        return;
    shot.shoot(f.screen(), QStringLiteral("checking"), 300);
    f.gate().release();
    if (!shot.check(f.settled(), QStringLiteral("no assessment")))
        return;
    shot.shoot(f.screen(), QStringLiteral("issues"));
    shot.checkWarnings(f.screen().warnings());
}

void allClear(ScreenCapture& shot)
{
    HealthScreenFixture f;
    f.set([](Facts& facts) { facts.loginItems = 3; });
    if (!f.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load: ") + f.screen().errors().join(QLatin1Char('\n')));
        return;
    }
    if (!shot.check(f.settled(), QStringLiteral("no assessment")))
        return;
    shot.shoot(f.screen(), QStringLiteral("allclear"));
    shot.checkWarnings(f.screen().warnings());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication app(argc, argv);
    const QString folder = ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_health_capture");
    if (folder.isEmpty())
        return 2;
    ScreenCapture shot(folder, QStringLiteral("health"),
                       QPoint(kPageSize.width() - 4, kPageSize.height() - 4), kSettleMs);
    withIssues(shot);
    allClear(shot);
    return shot.failed() ? 1 : 0;
}
