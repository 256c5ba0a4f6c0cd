// Drives the Performance page through its states on a fixture home and saves a picture of each, for
// people to look at (never compared by pixels). Needs a display (see with_xvfb.sh).
// Usage: qm_performance_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/performance-NAME.png; exits 1 when a state was not reached or a picture not
// saved, 4 when Qt reported a warning.
#include "PerformanceScreenHarness.h"
#include "ScreenCapture.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace {

using qm::test::PerformanceScreenHarness;
using qm::test::ScreenCapture;

// The size of the module stage in the default 1040 by 700 window.
const QSize kPageSize(820, 700);
constexpr int kSettleMs = 900;
constexpr qint64 kGiB = 1024LL * 1024 * 1024;

void scrollTo(PerformanceScreenHarness& h, qreal fraction)
{
    QQuickItem* scroll = h.page()->property("scroll").value<QQuickItem*>();
    const qreal max = std::max<qreal>(0, scroll->property("contentHeight").toReal() - scroll->height());
    scroll->setProperty("contentY", max * fraction);
}

qm::SystemSnapshot sample()
{
    qm::SystemSnapshot s = qm::SystemSnapshot::empty();
    s.cores = 8;
    s.totalRAM = 16 * kGiB;
    s.usedRAM = qint64(11.3 * double(kGiB));
    s.cpuUsage = 0.91;
    s.load1 = 2.375;
    s.diskFree = 212'400'000'000;
    s.diskTotal = 994'700'000'000;
    s.diskUsed = 782'300'000'000;
    s.netInRate = 1'250'000;
    s.netOutRate = 84'000;
    s.uptime = 3 * 86400 + 4 * 3600 + 300;
    return s;
}

qm::BatteryInfo battery()
{
    qm::BatteryInfo b = qm::BatteryInfo::unavailable();
    b.isPresent = true;
    b.isCharging = true;
    b.chargePercent = 76;
    b.temperatureC = 30.5;
    return b;
}

void buildJobs(PerformanceScreenHarness& h)
{
    h.addJob(h.userDir(), "com.example.sync.desktop", "com.example.sync", "/opt/Sync/bin/syncd");
    h.addUserUnit("updater.service", "/home/user/.local/bin/updater --quiet");
    h.addJob(h.userDir(), "com.example.markup.desktop", "<b>x</b> %2", "/usr/bin/true");
    h.addJob(h.agentsDir(), "org.example.agent.desktop", "org.example.agent", "/usr/libexec/agent");
    h.addDaemon("org.example.daemon.service", "/usr/sbin/daemond");
}

void overview(ScreenCapture& shot)
{
    PerformanceScreenHarness h;
    buildJobs(h);
    if (!h.open(kPageSize) || !h.settleScan()) {
        shot.fail(QStringLiteral("the page did not load: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    h.settleHelper();
    shot.shoot(h, QStringLiteral("placeholder"));

    h.model().stats()->setSnapshot(sample());
    h.model().stats()->setBattery(battery());
    shot.shoot(h, QStringLiteral("statistics"));

    h.holdPrompt(true);
    h.click(h.find(QStringLiteral("action:flushDNS")));
    if (!h.settle([&] { return h.held(); }))
        shot.fail(QStringLiteral("the action never started"));
    scrollTo(h, 0.45);
    shot.shoot(h, QStringLiteral("running"));
    h.holdPrompt(false);
    if (!h.settle([&] { return h.find(QStringLiteral("helperMessage")) != nullptr; }))
        shot.fail(QStringLiteral("no result line"));

    h.click(h.find(QStringLiteral("systemToggle")));
    scrollTo(h, 1);
    shot.shoot(h, QStringLiteral("lists"));

    h.click(h.find(QStringLiteral("disableButton")));
    shot.shoot(h, QStringLiteral("confirm"));
    QObject* confirm = h.page()->property("confirm").value<QObject*>();
    h.click(confirm->property("destructiveButton").value<QQuickItem*>());
    if (!h.settle([&] { return h.model().hasUndoOffer(); }))
        shot.fail(QStringLiteral("the disable never ended"));
    scrollTo(h, 1);
    shot.shoot(h, QStringLiteral("undo"));
    if (!h.warnings().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(h.warnings().join(QLatin1Char('\n'))));
        std::exit(4);
    }
}

void emptyAndUnreadable(ScreenCapture& shot)
{
    PerformanceScreenHarness h;
    h.tree().fileWithContent(h.userDir() / "broken.desktop", "not a desktop entry");
    h.tree().fileWithContent(h.daemonsDir() / "broken.target.wants", "not a folder");
    h.daemon().setStatus(qm::DaemonService::Status::unknown);
    if (!h.open(kPageSize) || !h.settleScan()) {
        shot.fail(QStringLiteral("the page did not load: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    h.settleHelper();
    qm::SystemSnapshot s = sample();
    s.cpuUsage.reset();
    s.usedRAM.reset();
    s.cpuUsage = 0.0;
    h.model().stats()->setSnapshot(s);
    h.click(h.find(QStringLiteral("systemToggle")));
    scrollTo(h, 1);
    shot.shoot(h, QStringLiteral("unreadable"));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString folder =
        ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_performance_capture");
    if (folder.isEmpty())
        return 2;
    ScreenCapture shot(folder, QStringLiteral("performance"), QPoint(kPageSize.width() - 4, 4), kSettleMs);
    overview(shot);
    emptyAndUnreadable(shot);
    return shot.failed() ? 1 : 0;
}
