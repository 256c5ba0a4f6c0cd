// Drives the Disk page through its states on a fixture home and saves a picture of each, for people to
// look at (never compared by pixels). Needs a display (see with_xvfb.sh).
// Usage: qm_disk_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/disk-NAME.png; exits 1 when a state was not reached or a picture not saved, 4
// when Qt reported a warning.
#include "DiskScreenHarness.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

#include <cstdio>

namespace {

using qm::VolumeSpace;
using qm::test::DiskScreenHarness;

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

// Saves the window as disk-NAME.png after the page has settled; the pointer rests at `pointer`.
void shoot(DiskScreenHarness& h, const QString& folder, const QString& name, QPoint pointer = {})
{
    if (pointer.isNull())
        pointer = QPoint(kPageSize.width() - 4, 4);
    QTest::mouseMove(h.window(), pointer);
    h.wait(kSettleMs);
    const QString path = folder + QStringLiteral("/disk-") + name + QStringLiteral(".png");
    const QImage picture = h.grab();
    if (picture.isNull() || !picture.save(path)) {
        fail(QStringLiteral("could not save ") + path);
        return;
    }
    std::printf("saved %s\n", qPrintable(path));
}

void buildHome(DiskScreenHarness& h)
{
    const auto home = h.home();
    h.tree().file(home / "Library/Caches/blob", 9'000'000);
    h.tree().file(home / "Library/Application Support/data", 5'000'000);
    h.tree().file(home / "Documents/thesis.pdf", 6'500'000);
    h.tree().file(home / "Pictures/2024/holiday.jpg", 4'200'000);
    h.tree().file(home / "Downloads/installer.deb", 2'600'000);
    h.tree().file(home / "Music/album/track.flac", 1'300'000);
    h.tree().file(home / "Movies/clip.mp4", 900'000);
    h.tree().file(home / "Desktop/note.txt", 60'000);
}

void overview(const QString& folder)
{
    DiskScreenHarness h;
    buildHome(h);
    h.setVolume(VolumeSpace{60'000'000, 18'000'000});
    h.holdScans(true);
    if (!h.open(kPageSize, false)) {
        fail(QStringLiteral("the page did not load: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    h.settle([&] { return h.holding(); });
    shoot(h, folder, QStringLiteral("measuring"));
    h.holdScans(false);
    if (!h.settleScan()) {
        fail(QStringLiteral("no report"));
        return;
    }
    shoot(h, folder, QStringLiteral("overview"));

    QQuickItem* tile = h.find(QStringLiteral("tile:Documents"));
    if (tile == nullptr) {
        fail(QStringLiteral("no Documents tile"));
        return;
    }
    const QPointF centre = tile->mapToScene(QPointF(tile->width() / 2, tile->height() / 2));
    shoot(h, folder, QStringLiteral("hover"), centre.toPoint());
    if (!h.warnings().isEmpty())
        std::exit(4);
}

void approximate(const QString& folder)
{
    DiskScreenHarness h;
    buildHome(h);
    h.setVolume(std::nullopt);
    if (!h.open(kPageSize, false) || !h.settleScan()) {
        fail(QStringLiteral("no report for the unreadable volume"));
        return;
    }
    h.wait(kSettleMs);
    QQuickItem* scroll = h.page()->property("scroll").value<QQuickItem*>();
    if (scroll != nullptr)
        scroll->setProperty(
            "contentY", std::max<qreal>(0, scroll->property("contentHeight").toReal() - scroll->height()));
    shoot(h, folder, QStringLiteral("approximate"));
}

void empty(const QString& folder)
{
    DiskScreenHarness h;
    if (!h.open(kPageSize, false) || !h.settleScan()) {
        fail(QStringLiteral("no report for the empty home"));
        return;
    }
    shoot(h, folder, QStringLiteral("empty"));
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
    overview(folder);
    approximate(folder);
    empty(folder);
    return g_failed ? 1 : 0;
}
