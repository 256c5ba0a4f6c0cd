// Drives the Space Lens page over a fixture home and saves a picture of each state, for people to look
// at (never compared by pixels): the home map, a drill-down with a selection, an empty folder and a
// folder that can't be read. Needs a display (see with_xvfb.sh).
// Usage: qm_spacelens_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/spacelens-NAME.png; exits 1 when a state was not reached, a picture not saved or
// Qt warned.
#include "ScreenCapture.h"
#include "SpaceLensScreenHarness.h"

#include <QGuiApplication>
#include <QQuickItem>

#include <string>

namespace {

using qm::test::ScreenCapture;
using qm::test::SpaceLensScreenHarness;

// The size of the module stage in the default 1040 by 700 window.
const QSize kPageSize(820, 700);
// Long enough for the bubbles' moves and the medallions to settle, milliseconds.
constexpr int kSettleMs = 1200;
constexpr qint64 MB = 1'000'000;

void buildHome(SpaceLensScreenHarness& h)
{
    auto& home = h.home();
    home.file("Documents/thesis.pdf", 7 * MB);
    home.file("Documents/scans/receipt.pdf", 1 * MB);
    home.file("Pictures/2024/holiday.jpg", 5 * MB);
    home.file("Pictures/2023/garden.jpg", 2 * MB);
    home.file("Music/album/track.flac", 4 * MB);
    home.file("Downloads/installer.deb", 3 * MB);
    home.file("Movies/clip.mp4", 2 * MB);
    home.file("Projects/engine/build/objects.o", 6 * MB);
    home.file("Projects/engine/src/main.cpp", 300'000);
    home.file("Projects/site/assets/hero.png", 2 * MB);
    home.file("Projects/site/index.html", 40'000);
    home.file("Projects/notes.txt", 120'000);
    home.file("Projects/backup.tar", 3 * MB);
    home.file("Projects/data.csv", 900'000);
    home.file("Projects/old-release.zip", 1'500'000);
    home.file("report-final.pdf", 800'000);
    home.file("todo.txt", 8'000);
}

void openFolder(SpaceLensScreenHarness& h, const std::string& name)
{
    QQuickItem* row = h.row(name);
    if (row != nullptr)
        h.click(row->property("mainButton").value<QQuickItem*>());
    h.settlePass();
}

void select(SpaceLensScreenHarness& h, const std::string& name)
{
    QQuickItem* row = h.row(name);
    if (row != nullptr)
        h.click(row->property("selectButton").value<QQuickItem*>());
}

void mapAndDrillDown(ScreenCapture& shot)
{
    SpaceLensScreenHarness h;
    buildHome(h);
    if (!h.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    if (!shot.check(h.settlePass() && h.model().layoutList()->count() >= 6, QStringLiteral("no home map")))
        return;
    shot.shoot(h, QStringLiteral("home"));

    openFolder(h, "Projects");
    if (!shot.check(h.model().stackDepth() == 2 && h.model().entryCount() >= 5,
                    QStringLiteral("no drill-down")))
        return;
    select(h, "backup.tar");
    select(h, "old-release.zip");
    if (!shot.check(h.model().effectiveCount() == 2, QStringLiteral("no selection")))
        return;
    shot.shoot(h, QStringLiteral("drilldown"));
    shot.checkWarnings(h.warnings());
}

void emptyAndUnreadable(ScreenCapture& shot)
{
    SpaceLensScreenHarness h;
    const auto empty = h.home().folder("Empty");
    if (!h.open(kPageSize) || !h.settlePass()) {
        shot.fail(QStringLiteral("the page did not load: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    h.model().choose();
    h.picker().answer(empty);
    if (!shot.check(h.settlePass() && h.contentName() == QStringLiteral("emptyState"),
                    QStringLiteral("not empty")))
        return;
    shot.shoot(h, QStringLiteral("empty"));

    h.model().choose();
    h.picker().answer(h.home().home() / "gone");
    if (!shot.check(h.settlePass() && h.contentName() == QStringLiteral("unreadableState"),
                    QStringLiteral("not unreadable")))
        return;
    shot.shoot(h, QStringLiteral("unreadable"));
    shot.checkWarnings(h.warnings());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication app(argc, argv);
    const QString folder = ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_spacelens_capture");
    if (folder.isEmpty())
        return 2;
    ScreenCapture shot(folder, QStringLiteral("spacelens"), QPoint(kPageSize.width() - 4, 4), kSettleMs);
    mapAndDrillDown(shot);
    emptyAndUnreadable(shot);
    return shot.failed() ? 1 : 0;
}
