// Drives the Smart Scan home through its states and saves a picture of each, for people to look at
// (never compared by pixels): scanning, results, everything cleaned with the undo bar, and nothing
// found. Needs a display (see with_xvfb.sh).
// Usage: qm_smartscan_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/smartscan-NAME.png; exits 1 when a state was not reached or a picture not saved.
#include "ScreenCapture.h"
#include "SmartScanScreenHarness.h"

#include <QGuiApplication>

namespace {

using qm::test::ScreenCapture;
using qm::test::SmartScanScreenHarness;
using Phase = qm::SmartScanViewModel::Phase;

const QSize kPageSize(1040, 700);
// Long enough for the ring, the cards' rise and the switch of states to settle, milliseconds.
constexpr int kSettleMs = 1500;

// Caches, logs and saved state of a lived-in home.
void buildJunk(SmartScanScreenHarness& h)
{
    h.home().file(".cache/mozilla/firefox/k3x9.default/cache2/entries/0A1B", 48'000'000);
    h.home().file(".cache/evolution/mail/index", 3'200'000);
    h.home().file(".npm/_logs/updater.log", 1'400'000);
    h.home().file(".xsession-errors", 90'000);
}

bool open(ScreenCapture& shot, SmartScanScreenHarness& h)
{
    if (h.open(kPageSize))
        return true;
    return shot.fail(QStringLiteral("the page did not load: ") + h.screen().errors().join(QLatin1Char('\n')));
}

void scanningThenResultsThenCleaned(ScreenCapture& shot)
{
    SmartScanScreenHarness h;
    buildJunk(h);
    // A nearly full disk and three weeks of uptime, so there is something to recommend.
    h.healthFacts().set([](qm::test::HealthModelFixture::Facts& facts) {
        facts.volume = qm::MacHealth{462'000'000'000, 494'000'000'000, 32'000'000'000};
        facts.sample = qm::test::HealthModelFixture::sampleUp(16);
    });
    h.setLargeFileCount(3);
    h.scanGate().arm(qm::FsStep::List);
    if (!open(shot, h))
        return;
    // Other pages' results, which the Explore cards describe.
    h.disk().load();
    h.largeFiles().scan();
    h.pushMalwareScan({});
    h.malware().scan();
    if (!shot.check(h.settle([&] { return h.scanGate().holding(); }), QStringLiteral("no scan held")))
        return;
    shot.shoot(h.screen(), QStringLiteral("scanning"), 600);
    h.scanGate().release();
    if (!shot.check(h.settle([&] { return h.model().phase() == Phase::results && h.health().hasResult(); }),
                    QStringLiteral("no results")))
        return;
    shot.shoot(h.screen(), QStringLiteral("results"));

    h.model().confirmClean();
    if (!shot.check(h.settle([&] { return !h.model().isCleaning() && h.model().didCleanEverything(); }),
                    QStringLiteral("the clean did not empty every category")))
        return;
    // After the celebration.
    shot.shoot(h.screen(), QStringLiteral("cleaned"), 2200);
    shot.checkWarnings(h.screen().warnings());
}

void nothingFound(ScreenCapture& shot)
{
    SmartScanScreenHarness h;
    if (!open(shot, h))
        return;
    if (!shot.check(h.settle([&] { return h.model().phase() == Phase::results && h.health().hasResult(); }),
                    QStringLiteral("no results")))
        return;
    shot.shoot(h.screen(), QStringLiteral("nothingfound"));
    shot.checkWarnings(h.screen().warnings());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication app(argc, argv);
    const QString folder = ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_smartscan_capture");
    if (folder.isEmpty())
        return 2;
    ScreenCapture shot(folder, QStringLiteral("smartscan"), QPoint(kPageSize.width() - 4, 4), kSettleMs);
    scanningThenResultsThenCleaned(shot);
    nothingFound(shot);
    return shot.failed() ? 1 : 0;
}
