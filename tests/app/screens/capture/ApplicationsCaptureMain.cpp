// Drives the Applications page through its states on fixture applications and saves a picture of each, for
// people to look at (never compared by pixels). Needs a display (see with_xvfb.sh).
// Usage: qm_applications_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/applications-NAME.png; exits 1 when a state was not reached or a picture not
// saved, 4 when Qt reported a warning.
#include "ApplicationsScreenHarness.h"
#include "ScreenCapture.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

#include <chrono>
#include <cstdio>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Icon = qm::test::ApplicationsScreenHarness::Icon;
using qm::test::ApplicationsScreenHarness;
using qm::test::ScreenCapture;

// The size of the module stage in the default 1040 by 700 window.
const QSize kPageSize(820, 700);
constexpr int kSettleMs = 1200;

void buildApps(ApplicationsScreenHarness& h)
{
    h.home().file(h.homeApp("Aurora Notes", "Aurora Notes", "com.example.aurora", "4.2.1", Icon::png).program,
                  38'000'000);
    h.home().file(h.homeApp("Brightline", "Brightline", "com.example.brightline", "2.0", Icon::png).program,
                  12'000'000);
    h.homeApp("Cartographer", "Cartographer", "org.example.cartographer", "", Icon::none);
    h.home().file(h.homeApp("Driftwood", "Driftwood", "", "1.0.3", Icon::png).program, 4'500'000);
    h.home().file(".local/share/com.example.aurora/notes.db", 2'400'000);
    h.home().file(".cache/com.example.aurora/thumbnails", 900'000);
    h.home().file(".config/com.example.aurora.conf", 2'000);
}

QQuickItem* row(ApplicationsScreenHarness& h, const QString& name)
{
    return h.find(QStringLiteral("app:") + name);
}

void listAndSheet(ScreenCapture& shot)
{
    ApplicationsScreenHarness h;
    buildApps(h);
    const fs::path root = h.homeApp("Keystone", "Keystone", "com.example.keystone", "7.1", Icon::png).program;
    h.home().chown(root);
    if (!h.open(kPageSize) || !h.settleInventory()) {
        shot.fail(QStringLiteral("the page did not list: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    shot.shoot(h, QStringLiteral("list"));

    h.model().setSortBySize(true);
    shot.shoot(h, QStringLiteral("by-size"));
    h.model().setSortBySize(false);

    // Keystone is not the user's and runs: both banners.
    h.workspace().setRunning({qm::RunningApplication{4242, qm::Path("/elsewhere/keystone"), {}}});
    h.click(row(h, QStringLiteral("Keystone")));
    if (!h.settle([&] { return h.model().hasSelectedApp() && !h.model().findingLeftovers(); })) {
        shot.fail(QStringLiteral("no sheet for Keystone"));
        return;
    }
    shot.shoot(h, QStringLiteral("sheet-banners"));
    h.model().dismissUninstaller();
    h.workspace().setRunning({});

    h.click(row(h, QStringLiteral("Aurora Notes")));
    if (!h.settle([&] { return h.model().hasSelectedApp() && !h.model().findingLeftovers(); })) {
        shot.fail(QStringLiteral("no sheet for Aurora Notes"));
        return;
    }
    shot.shoot(h, QStringLiteral("sheet-leftovers"));
    h.model().setShowConfirm(true);
    shot.shoot(h, QStringLiteral("sheet-confirm"));
    if (!h.warnings().isEmpty())
        std::exit(4);
}

void failure(ScreenCapture& shot)
{
    ApplicationsScreenHarness h;
    buildApps(h);
    if (!h.open(kPageSize) || !h.settleInventory()) {
        shot.fail(QStringLiteral("the page did not list"));
        return;
    }
    h.click(row(h, QStringLiteral("Aurora Notes")));
    if (!h.settle([&] { return h.model().hasSelectedApp() && !h.model().findingLeftovers(); })) {
        shot.fail(QStringLiteral("no sheet"));
        return;
    }
    // A leftover that goes between the search and the move stays behind as a failure.
    fs::remove_all(h.home().path(".cache/com.example.aurora"));
    h.model().confirmUninstall();
    if (!h.settle([&] { return h.model().uninstallCompletions() == 1 && h.model().uninstallFailure(); })) {
        shot.fail(QStringLiteral("no failure"));
        return;
    }
    h.model().setPendingRevealURL(qm::Path(h.home().path(".cache/com.example.aurora")));
    h.model().setFailureNeedsFullDiskAccess(true);
    shot.shoot(h, QStringLiteral("failure-alert"));
    h.model().dismissFailure();
    shot.shoot(h, QStringLiteral("undo-bar"));
}

void loading(ScreenCapture& shot)
{
    ApplicationsScreenHarness h;
    buildApps(h);
    h.holdListings(true);
    if (!h.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load"));
        return;
    }
    shot.shoot(h, QStringLiteral("loading"));
    h.holdListings(false);
    h.settleInventory();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString folder =
        ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_applications_capture");
    if (folder.isEmpty())
        return 2;
    ScreenCapture shot(folder, QStringLiteral("applications"), QPoint(kPageSize.width() - 4, 4), kSettleMs);
    loading(shot);
    listAndSheet(shot);
    failure(shot);
    return shot.failed() ? 1 : 0;
}
