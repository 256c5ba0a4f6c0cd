// Drives the Disk page through its states on a fixture home and saves a picture of each, for people to
// look at (never compared by pixels). Needs a display (see with_xvfb.sh).
// Usage: qm_disk_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/disk-NAME.png; exits 1 when a state was not reached or a picture not saved, 4
// when Qt reported a warning.
#include "DiskScreenHarness.h"
#include "ScreenCapture.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

#include <cstdio>

namespace {

using qm::VolumeSpace;
using qm::test::DiskScreenHarness;
using qm::test::ScreenCapture;

// The size of the module stage in the default 1040 by 700 window.
const QSize kPageSize(820, 700);
constexpr int kSettleMs = 1200;

void buildHome(DiskScreenHarness& h)
{
    const auto home = h.home();
    h.tree().file(home / ".cache/blob", 9'000'000);
    h.tree().file(home / ".local/share/app/data", 5'000'000);
    h.tree().file(home / "Documents/thesis.pdf", 6'500'000);
    h.tree().file(home / "Pictures/2024/holiday.jpg", 4'200'000);
    h.tree().file(home / "Downloads/installer.deb", 2'600'000);
    h.tree().file(home / "Music/album/track.flac", 1'300'000);
    h.tree().file(home / "Videos/clip.mp4", 900'000);
    h.tree().file(home / "Desktop/note.txt", 60'000);
}

void overview(ScreenCapture& shot)
{
    DiskScreenHarness h;
    buildHome(h);
    h.setVolume(VolumeSpace{60'000'000, 18'000'000, 18'000'000});
    h.holdScans(true);
    if (!h.open(kPageSize, false)) {
        shot.fail(QStringLiteral("the page did not load: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    h.settle([&] { return h.holding(); });
    shot.shoot(h, QStringLiteral("measuring"));
    h.holdScans(false);
    if (!h.settleScan()) {
        shot.fail(QStringLiteral("no report"));
        return;
    }
    shot.shoot(h, QStringLiteral("overview"));

    QQuickItem* tile = h.find(QStringLiteral("tile:Documents"));
    if (tile == nullptr) {
        shot.fail(QStringLiteral("no Documents tile"));
        return;
    }
    const QPointF centre = tile->mapToScene(QPointF(tile->width() / 2, tile->height() / 2));
    shot.shoot(h, QStringLiteral("hover"), -1, centre.toPoint());
    if (!h.warnings().isEmpty())
        std::exit(4);
}

void approximate(ScreenCapture& shot)
{
    DiskScreenHarness h;
    buildHome(h);
    h.setVolume(std::nullopt);
    if (!h.open(kPageSize, false) || !h.settleScan()) {
        shot.fail(QStringLiteral("no report for the unreadable volume"));
        return;
    }
    h.wait(kSettleMs);
    QQuickItem* scroll = h.page()->property("scroll").value<QQuickItem*>();
    if (scroll != nullptr)
        scroll->setProperty(
            "contentY", std::max<qreal>(0, scroll->property("contentHeight").toReal() - scroll->height()));
    shot.shoot(h, QStringLiteral("approximate"));
}

void empty(ScreenCapture& shot)
{
    DiskScreenHarness h;
    if (!h.open(kPageSize, false) || !h.settleScan()) {
        shot.fail(QStringLiteral("no report for the empty home"));
        return;
    }
    shot.shoot(h, QStringLiteral("empty"));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString folder = ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_disk_capture");
    if (folder.isEmpty())
        return 2;
    ScreenCapture shot(folder, QStringLiteral("disk"), QPoint(kPageSize.width() - 4, 4), kSettleMs);
    overview(shot);
    approximate(shot);
    empty(shot);
    return shot.failed() ? 1 : 0;
}
