// Drives the Applications page through its states on fixture bundles and saves a picture of each, for
// people to look at (never compared by pixels). Needs a display (see with_xvfb.sh).
// Usage: qm_applications_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/applications-NAME.png; exits 1 when a state was not reached or a picture not
// saved, 4 when Qt reported a warning.
#include "ApplicationsScreenHarness.h"

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

// The size of the module stage in the default 1040 by 700 window.
const QSize kPageSize(820, 700);
constexpr int kSettleMs = 1200;

bool g_failed = false;

bool fail(const QString& why)
{
    std::fprintf(stderr, "FAIL: %s\n", qPrintable(why));
    g_failed = true;
    return false;
}

// Saves the window as applications-NAME.png after the page has settled.
void shoot(ApplicationsScreenHarness& h, const QString& folder, const QString& name)
{
    QTest::mouseMove(h.window(), QPoint(kPageSize.width() - 4, 4));
    h.wait(kSettleMs);
    const QString path = folder + QStringLiteral("/applications-") + name + QStringLiteral(".png");
    const QImage picture = h.grab();
    if (picture.isNull() || !picture.save(path)) {
        fail(QStringLiteral("could not save ") + path);
        return;
    }
    std::printf("saved %s\n", qPrintable(path));
}

void buildBundles(ApplicationsScreenHarness& h)
{
    h.bundle("Aurora Notes.app", "Aurora Notes", "com.example.aurora", "4.2.1", Icon::icns);
    h.bundle("Brightline.app", "Brightline", "com.example.brightline", "2.0", Icon::png);
    h.bundle("Cartographer.app", "Cartographer", "org.example.cartographer", "", Icon::none);
    h.bundle("Driftwood.app", "Driftwood", "", "1.0.3", Icon::png);
    h.system().file("Applications/Driftwood.app/Contents/Resources/data.bin", 4'500'000);
    h.system().file("Applications/Aurora Notes.app/Contents/Resources/library.db", 38'000'000);
    h.system().file("Applications/Brightline.app/Contents/Frameworks/engine.so", 12'000'000);
    h.home().file("Library/Application Support/com.example.aurora/notes.db", 2'400'000);
    h.home().file("Library/Caches/com.example.aurora/thumbnails", 900'000);
    h.home().file("Library/Preferences/com.example.aurora.plist", 2'000);
}

QQuickItem* row(ApplicationsScreenHarness& h, const QString& name)
{
    return h.find(QStringLiteral("app:") + name);
}

void listAndSheet(const QString& folder)
{
    ApplicationsScreenHarness h;
    buildBundles(h);
    const fs::path root = h.bundle("Keystone.app", "Keystone", "com.example.keystone", "7.1", Icon::icns);
    h.system().chown(root);
    if (!h.open(kPageSize) || !h.settleInventory()) {
        fail(QStringLiteral("the page did not list: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    shoot(h, folder, QStringLiteral("list"));

    h.model().setSortBySize(true);
    shoot(h, folder, QStringLiteral("by-size"));
    h.model().setSortBySize(false);

    // Keystone is not the user's and runs: both banners.
    h.workspace().setRunning({qm::RunningApplication{4242, qm::Path("/elsewhere/Keystone.app"),
                                                     QStringLiteral("com.example.keystone")}});
    h.click(row(h, QStringLiteral("Keystone")));
    if (!h.settle([&] { return h.model().hasSelectedApp() && !h.model().findingLeftovers(); })) {
        fail(QStringLiteral("no sheet for Keystone"));
        return;
    }
    shoot(h, folder, QStringLiteral("sheet-banners"));
    h.model().dismissUninstaller();
    h.workspace().setRunning({});

    h.click(row(h, QStringLiteral("Aurora Notes")));
    if (!h.settle([&] { return h.model().hasSelectedApp() && !h.model().findingLeftovers(); })) {
        fail(QStringLiteral("no sheet for Aurora Notes"));
        return;
    }
    shoot(h, folder, QStringLiteral("sheet-leftovers"));
    h.model().setShowConfirm(true);
    shoot(h, folder, QStringLiteral("sheet-confirm"));
    if (!h.warnings().isEmpty())
        std::exit(4);
}

void failure(const QString& folder)
{
    ApplicationsScreenHarness h;
    buildBundles(h);
    if (!h.open(kPageSize) || !h.settleInventory()) {
        fail(QStringLiteral("the page did not list"));
        return;
    }
    h.click(row(h, QStringLiteral("Aurora Notes")));
    if (!h.settle([&] { return h.model().hasSelectedApp() && !h.model().findingLeftovers(); })) {
        fail(QStringLiteral("no sheet"));
        return;
    }
    // A leftover that goes between the search and the move stays behind as a failure.
    fs::remove_all(h.home().path("Library/Caches/com.example.aurora"));
    h.model().confirmUninstall();
    if (!h.settle([&] { return h.model().uninstallCompletions() == 1 && h.model().uninstallFailure(); })) {
        fail(QStringLiteral("no failure"));
        return;
    }
    h.model().setPendingRevealURL(qm::Path(h.home().path("Library/Caches/com.example.aurora")));
    h.model().setFailureNeedsFullDiskAccess(true);
    shoot(h, folder, QStringLiteral("failure-alert"));
    h.model().dismissFailure();
    shoot(h, folder, QStringLiteral("undo-bar"));
}

void loading(const QString& folder)
{
    ApplicationsScreenHarness h;
    buildBundles(h);
    h.holdListings(true);
    if (!h.open(kPageSize)) {
        fail(QStringLiteral("the page did not load"));
        return;
    }
    shoot(h, folder, QStringLiteral("loading"));
    h.holdListings(false);
    h.settleInventory();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    loading(folder);
    listAndSheet(folder);
    failure(folder);
    return g_failed ? 1 : 0;
}
