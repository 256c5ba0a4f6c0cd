// Drives the Cleanup page through each of its states on a fixture home and saves a picture of every
// one, for people to look at (never compared by pixels). Needs a display (see with_xvfb.sh).
// Usage: qm_cleanup_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/cleanup-NAME.png; exits 1 when a state was not reached or a picture not saved,
// 4 when Qt reported a warning.
#include "CleanupScreenHarness.h"
#include "ScreenCapture.h"
#include "support/PrivilegeDrop.h"

#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

#include <cstdio>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using qm::CleanupViewModel;
using qm::FsStep;
using qm::test::CleanupScreenHarness;
using qm::test::ScreenCapture;

// The size of the module stage in the default 1040 by 700 window.
const QSize kPageSize(820, 700);
// Long enough for the sections' rise and the switch of states to settle, milliseconds.
constexpr int kSettleMs = 900;

QQuickItem* contentItem(CleanupScreenHarness& h)
{
    auto* loader = qobject_cast<QQuickItem*>(h.pageObject("content"));
    return loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
}

QString contentName(CleanupScreenHarness& h)
{
    QQuickItem* item = contentItem(h);
    return item != nullptr ? item->objectName() : QString();
}

void buildJunk(CleanupScreenHarness& h)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    h.home().file(".cache/mozilla/firefox/k3x9.default/cache2/entries/0A1B", 2'400'000);
    h.home().file(".cache/spotify/Data/blob", 1'100'000);
    h.home().setMtime(h.home().file(".cache/<b>x&lt;", 300'000), now.addDays(-3));
    h.home().setMtime(h.home().file(".npm/_logs/%2 %1.log", 90'000), now.addDays(-1).addSecs(-3600));
    h.home().setMtime(h.home().file(".config/Code/logs/20261209T101010/main.log", 40'000), now.addDays(-12));
    h.home().file(".npm/_cacache/index-v5/entry", 800'000);
    h.home().file(".gradle/caches/modules-2/files.bin", 3'200'000);
}

// idle, scanning, results, confirmation, cleaning, undo, rescan, cleaned-all, empty, failure,
// trash-confirm and trash-emptied: one fixture home, driven as a user would.
void mainRoad(ScreenCapture& shot)
{
    CleanupScreenHarness h;
    buildJunk(h);
    h.home().file(h.trashFiles() / "Old Photos.zip", 700'000);
    h.home().file(h.trashFiles() / "notes.txt", 3'000);
    h.home().file(h.trashFiles() / "Installer.dmg", 2'600'000);
    if (!h.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    auto& model = h.model();
    if (!shot.check(h.settle([&] { return model.trashCount() == 3; }),
                    QStringLiteral("the Trash was not measured")))
        return;
    shot.shoot(h, QStringLiteral("idle"));

    // Held at the first listing of the scan.
    h.scanGate().arm(FsStep::List);
    h.click(h.find(QStringLiteral("idleScanButton")));
    if (!shot.check(h.settle([&] { return h.scanGate().holding(); }),
                    QStringLiteral("the scan was not held")))
        return;
    h.settle([&] { return contentName(h) == QStringLiteral("scanningState"); });
    shot.shoot(h, QStringLiteral("scanning"));
    h.scanGate().release();
    if (!shot.check(h.settle([&] { return contentName(h) == QStringLiteral("resultsState"); }),
                    QStringLiteral("no results")))
        return;

    // Two sections open, one item of the caches deselected.
    for (const char* kind : {"section:userCaches", "section:logs"}) {
        QQuickItem* section = h.find(QString::fromLatin1(kind));
        if (section != nullptr)
            h.click(section->property("header").value<QQuickItem*>());
    }
    QQuickItem* caches = h.find(QStringLiteral("section:userCaches"));
    QVariant row;
    if (caches != nullptr)
        QMetaObject::invokeMethod(caches, "rowAt", Q_RETURN_ARG(QVariant, row), Q_ARG(QVariant, 1));
    if (row.value<QQuickItem*>() != nullptr)
        h.click(row.value<QQuickItem*>());
    shot.shoot(h, QStringLiteral("results"));

    h.click(h.find(QStringLiteral("cleanButton")));
    QObject* dialog = h.pageObject("cleanConfirm");
    if (!shot.check(h.settle([&] { return dialog->property("opened").toBool(); }),
                    QStringLiteral("no confirmation")))
        return;
    shot.shoot(h, QStringLiteral("clean-confirm"), 400);

    h.trashGate().arm(FsStep::Move);
    h.click(dialog->property("destructiveButton").value<QQuickItem*>());
    if (!shot.check(h.settle([&] { return h.trashGate().holding(); }),
                    QStringLiteral("the clean was not held")))
        return;
    shot.shoot(h, QStringLiteral("cleaning"), 500);
    h.trashGate().release();
    if (!shot.check(h.settle([&] { return model.bottomBar() == QStringLiteral("undoOffer"); }),
                    QStringLiteral("no undo offer")))
        return;
    // The celebration is half way.
    shot.shoot(h, QStringLiteral("undo-offer"), 450);

    // Everything else too: the cleaned-all state under the merged undo offer.
    h.click(h.find(QStringLiteral("selectAllButton")));
    h.click(h.find(QStringLiteral("cleanButton")));
    h.settle([&] { return dialog->property("opened").toBool(); });
    h.click(dialog->property("destructiveButton").value<QQuickItem*>());
    if (!shot.check(h.settle([&] { return contentName(h) == QStringLiteral("cleanedAllState"); }),
                    QStringLiteral("not all cleaned")))
        return;
    shot.shoot(h, QStringLiteral("cleaned-all"), 2000);

    // Undo, held in the rescan that follows it.
    h.scanGate().arm(FsStep::List);
    h.click(h.find(QStringLiteral("undoButton")));
    if (!shot.check(h.settle([&] { return h.scanGate().holding(); }),
                    QStringLiteral("the rescan was not held")))
        return;
    h.settle([&] { return contentName(h) == QStringLiteral("scanningState"); });
    shot.shoot(h, QStringLiteral("auto-rescan"));
    h.scanGate().release();
    h.settle([&] { return contentName(h) == QStringLiteral("resultsState"); });

    // A clean whose item vanished first.
    h.click(h.find(QStringLiteral("deselectAllButton")));
    caches = h.find(QStringLiteral("section:userCaches"));
    if (caches != nullptr && !caches->property("expanded").toBool())
        h.click(caches->property("header").value<QQuickItem*>());
    row = QVariant();
    if (caches != nullptr)
        QMetaObject::invokeMethod(caches, "rowAt", Q_RETURN_ARG(QVariant, row), Q_ARG(QVariant, 2));
    if (!shot.check(row.value<QQuickItem*>() != nullptr, QStringLiteral("no third cache row")))
        return;
    h.click(row.value<QQuickItem*>());
    fs::remove(h.home().path(".cache/<b>x&lt;"));
    h.click(h.find(QStringLiteral("cleanButton")));
    h.settle([&] { return dialog->property("opened").toBool(); });
    h.click(dialog->property("destructiveButton").value<QQuickItem*>());
    QObject* alert = h.pageObject("failureAlert")->property("popup").value<QObject*>();
    if (!shot.check(h.settle([&] { return alert->property("opened").toBool(); }),
                    QStringLiteral("no failure alert")))
        return;
    shot.shoot(h, QStringLiteral("failure-alert"), 400);
    h.click(h.pageObject("failureAlert")->property("okButton").value<QQuickItem*>());
    h.settle([&] { return !alert->property("opened").toBool(); });

    // The Trash card's confirmation, then its note.
    h.drain();
    h.click(h.pageObject("trashCard")->property("emptyTrashButton").value<QQuickItem*>());
    QObject* emptyDialog = h.pageObject("emptyConfirm");
    if (!shot.check(h.settle([&] { return emptyDialog->property("opened").toBool(); }),
                    QStringLiteral("no Empty Trash confirmation")))
        return;
    shot.shoot(h, QStringLiteral("trash-confirm"), 400);
    h.click(emptyDialog->property("destructiveButton").value<QQuickItem*>());
    h.settle([&] { return !model.emptyingTrash() && model.trashCount() == 0; });
    h.drain();
    shot.shoot(h, QStringLiteral("trash-emptied"));

    // Nothing left to find once everything is in the Trash: a fresh scan (the vanished item goes),
    // everything cleaned, the offer dismissed and one more scan.
    h.click(h.find(QStringLiteral("headerScanButton")));
    h.settle([&] {
        return contentName(h) == QStringLiteral("resultsState") &&
               model.phase() == CleanupViewModel::Phase::results;
    });
    h.click(h.find(QStringLiteral("selectAllButton")));
    h.click(h.find(QStringLiteral("cleanButton")));
    h.settle([&] { return dialog->property("opened").toBool(); });
    h.click(dialog->property("destructiveButton").value<QQuickItem*>());
    h.settle([&] { return contentName(h) == QStringLiteral("cleanedAllState"); });
    h.click(h.find(QStringLiteral("dismissUndoButton")));
    h.click(h.find(QStringLiteral("headerScanButton")));
    if (!shot.check(h.settle([&] { return contentName(h) == QStringLiteral("emptyState"); }),
                    QStringLiteral("no empty state but ") + contentName(h) + QStringLiteral(", ") +
                        model.foundText() + QStringLiteral(", ") + model.bottomBar()))
        return;
    h.drain();
    // After the last clean's celebration has gone.
    shot.shoot(h, QStringLiteral("empty"), 2000);

    shot.checkWarnings(h.warnings());
}

// The Trash that may not be read, and a caches folder that may not be listed: both need another
// user than root.
void restrictedRoad(ScreenCapture& shot)
{
    if (!qm::test::canDropPrivileges()) {
        std::printf("SKIP: cleanup-restricted.png needs root to drop privileges\n");
        return;
    }
    CleanupScreenHarness h;
    h.home().file(".npm/_logs/app.log", 50'000);
    h.home().file("Library/Caches/hidden.bin", 8'000);
    h.home().chmod(h.home().path("Library/Caches"), 0700);
    h.home().file(h.trashFiles() / "old.bin", 4'000);
    h.home().chmod(h.trashFiles(), 0700);
    if (!h.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load"));
        return;
    }
    {
        qm::test::DroppedPrivileges dropped;
        h.model().refreshTrash();
        h.model().scan(false);
        h.settle(
            [&] { return h.model().trashRestricted() && contentName(h) == QStringLiteral("resultsState"); });
        h.drain();
    }
    if (!shot.check(h.model().trashRestricted(), QStringLiteral("the Trash was readable")))
        return;
    QQuickItem* caches = h.find(QStringLiteral("section:userCaches"));
    if (caches != nullptr)
        h.click(caches->property("header").value<QQuickItem*>());
    shot.shoot(h, QStringLiteral("restricted"));
    shot.checkWarnings(h.warnings());
}

} // namespace

int main(int argc, char** argv)
{
    // Mesa reads its cache folder once per process; each fixture's would be gone by the next one.
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication app(argc, argv);
    const QString folder = ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_cleanup_capture");
    if (folder.isEmpty())
        return 2;
    ScreenCapture shot(folder, QStringLiteral("cleanup"),
                       QPoint(kPageSize.width() - 4, kPageSize.height() / 2), kSettleMs);
    mainRoad(shot);
    restrictedRoad(shot);
    return shot.failed() ? 1 : 0;
}
