// Drives the Files page through the states of both its tools and saves a picture of each, for people to
// look at (never compared by pixels). Needs a display (see with_xvfb.sh).
// Usage: qm_files_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/files-NAME.png; exits 1 when a state was not reached or a picture not saved.
#include "FilesScreenHarness.h"
#include "ScreenCapture.h"

#include <QGuiApplication>
#include <QQuickItem>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using qm::test::FilesScreenHarness;
using qm::test::ScreenCapture;

const QSize kPageSize(900, 760);
// Long enough for the switch of states and the medallions to settle, milliseconds.
constexpr int kSettleMs = 900;
constexpr qint64 kMB = 1'000'000;

bool open(FilesScreenHarness& h, ScreenCapture& shot)
{
    if (h.open(kPageSize))
        return true;
    return shot.fail(QStringLiteral("the page did not load: ") + h.errors().join(QLatin1Char('\n')));
}

bool reach(FilesScreenHarness& h, ScreenCapture& shot, const char* content)
{
    return shot.check(h.settle([&] { return h.toolContentName() == QLatin1String(content); }),
                      QStringLiteral("never reached ") + QLatin1String(content));
}

void largeFiles(ScreenCapture& shot)
{
    FilesScreenHarness h;
    h.file("Holiday video 2023 — final cut (4K master, do not delete).mov", 38 * kMB, 'a');
    h.file("Disk image.iso", 24 * kMB, 'b');
    h.file("<b>notes<br>.txt", 16 * kMB, 'c');
    const fs::path backup = h.file("Backup.tar", 14 * kMB, 'd');
    h.home().hardLink(backup, "Docs/Backup copy.tar");
    h.file(std::string("Recording \xff.wav"), 12 * kMB, 'e');
    // The search is held while this is set, so its live count can be seen.
    std::atomic<bool> hold{false};
    auto real = qm::FileScanner(h.scanning());
    h.useLargeFileSearch([&hold, real](const qm::Path& root, qint64 minBytes, std::optional<int> months,
                                       const qm::FileScanner::VisitSink& progress, std::stop_token stop) {
        if (hold.load()) {
            progress(48'213);
            while (hold.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return real.scanLargeFiles(root, minBytes, months, progress, std::move(stop));
    });
    if (!open(h, shot))
        return;
    shot.shoot(h, QStringLiteral("large-idle"));

    h.largeFiles().setMinMB(10);
    hold = true;
    h.largeFiles().scan();
    h.settle([&] { return h.largeFiles().scannedCount() > 0; });
    shot.shoot(h, QStringLiteral("large-scanning"));
    hold = false;
    if (!reach(h, shot, "resultsState"))
        return;
    shot.shoot(h, QStringLiteral("large-results"));

    for (const qm::FileEntry& file : h.largeFiles().files()) {
        if (file.name.native().starts_with("Disk") || file.name.native().starts_with("<b>"))
            h.largeFiles().toggle(file.id);
    }
    shot.shoot(h, QStringLiteral("large-selected"), 400);
    h.largeFiles().setShowConfirm(true);
    shot.shoot(h, QStringLiteral("large-confirm"), 500);
    h.largeFiles().setShowConfirm(false);

    // One chosen file is gone before the clean: the failure alert.
    fs::remove(h.home().path("Docs/Disk image.iso"));
    h.largeFiles().confirmClean();
    if (!shot.check(h.settle([&] { return !h.largeFiles().cleaning(); }),
                    QStringLiteral("the clean never ended")))
        return;
    shot.shoot(h, QStringLiteral("large-failure"), 500);
    h.largeFiles().setFailureNote(QString());

    // Without the linked pair, everything left can move: all matched files in the Trash.
    std::error_code ignored;
    fs::remove(h.home().path("Docs/Backup copy.tar"), ignored);
    fs::remove(h.home().path("Docs/Backup.tar"), ignored);
    h.largeFiles().setMinMB(10);
    h.largeFiles().scan();
    if (!reach(h, shot, "resultsState"))
        return;
    for (const qm::FileEntry& file : h.largeFiles().files()) {
        if (!file.isSelected)
            h.largeFiles().toggle(file.id);
    }
    h.largeFiles().confirmClean();
    if (!reach(h, shot, "cleanedAllState"))
        return;
    shot.shoot(h, QStringLiteral("large-cleanedall"));

    h.largeFiles().setMinMB(2000);
    h.largeFiles().scan();
    if (!reach(h, shot, "emptyState"))
        return;
    shot.shoot(h, QStringLiteral("large-empty"));
    shot.checkWarnings(h.warnings());
}

// The texts of a search that could not read everything, with and without matches.
void largeFilesIncomplete(ScreenCapture& shot)
{
    for (const bool withFiles : {false, true}) {
        FilesScreenHarness h;
        h.setFullDiskAccess(false);
        h.useLargeFileSearch([withFiles](const qm::Path& root, qint64, std::optional<int>,
                                         const qm::FileScanner::VisitSink&, std::stop_token) {
            qm::FileScanner::LargeFiles found;
            for (int i = 0; withFiles && i < 4; ++i) {
                qm::FileEntry entry;
                entry.url = root / ("Project " + std::to_string(i + 1) + ".zip");
                entry.name = entry.url.filename();
                entry.bytes = (900 - 150 * i) * kMB;
                found.entries.push_back(entry);
            }
            found.incomplete = true;
            return found;
        });
        if (!open(h, shot))
            return;
        h.largeFiles().scan();
        if (!reach(h, shot, withFiles ? "resultsState" : "emptyState"))
            return;
        shot.shoot(h,
                   withFiles ? QStringLiteral("large-incomplete") : QStringLiteral("large-empty-incomplete"));
        shot.checkWarnings(h.warnings());
    }
}

void duplicates(ScreenCapture& shot)
{
    FilesScreenHarness h;
    h.setFullDiskAccess(false);
    for (const char* name : {"Report.pdf", "Report (1).pdf", "Old/Report.pdf"})
        h.file(name, 3 * kMB, 'r');
    for (const char* name : {"Photo.heic", "Photos/Photo copy.heic"})
        h.file(name, 2 * kMB, 'p');
    for (const char* name : {"link-a.mov", "Movie.mov", "link-b.mov"})
        h.file(name, 5 * kMB, 'm');
    if (!open(h, shot))
        return;
    if (!shot.check(h.switchTo(QStringLiteral("Duplicates")), QStringLiteral("no Duplicates segment")))
        return;
    shot.shoot(h, QStringLiteral("duplicates-idle"));

    h.gate().arm(qm::FsStep::Open);
    h.duplicates().scan();
    h.settle([&] { return h.gate().holding(); });
    shot.shoot(h, QStringLiteral("duplicates-scanning"));
    h.gate().release();
    if (!reach(h, shot, "resultsState"))
        return;
    h.setFullDiskAccess(true);
    h.duplicates().refreshFullDiskAccess();
    shot.shoot(h, QStringLiteral("duplicates-results"));
    h.duplicates().setShowConfirm(true);
    shot.shoot(h, QStringLiteral("duplicates-confirm"), 500);
    h.duplicates().setShowConfirm(false);

    for (const qm::DuplicateGroup& group : h.duplicates().groups()) {
        for (const qm::FileEntry& file : group.files) {
            if (&file != &group.files.front() && !file.isSelected && !file.sharesInode)
                h.duplicates().toggle(file.id);
        }
    }
    h.duplicates().confirmClean();
    if (!reach(h, shot, "cleanedAllState"))
        return;
    shot.shoot(h, QStringLiteral("duplicates-cleanedall"));

    h.duplicates().scan();
    if (!reach(h, shot, "emptyState"))
        return;
    shot.shoot(h, QStringLiteral("duplicates-empty"));
    shot.checkWarnings(h.warnings());
}

// Over the finder's candidate cap: the longer empty text with its note, and the note over a list.
void duplicatesIncomplete(ScreenCapture& shot)
{
    for (const bool withGroups : {false, true}) {
        FilesScreenHarness h;
        h.file("a1", 2 * kMB, 'a');
        h.file("a2", 2 * kMB, 'a');
        if (withGroups) {
            h.file("b1", 3 * kMB, 'b');
            h.file("b2", 3 * kMB, 'b');
        }
        h.scanning().maxDuplicateCandidates = withGroups ? 3 : 1;
        if (!open(h, shot) || !h.switchTo(QStringLiteral("Duplicates")))
            return;
        h.duplicates().scan();
        if (!shot.check(h.settle([&] { return h.duplicates().phaseName() == QStringLiteral("results"); }),
                        QStringLiteral("no results")))
            return;
        shot.check(h.duplicates().scanIncomplete(), QStringLiteral("the search was complete"));
        shot.shoot(h, withGroups ? QStringLiteral("duplicates-incomplete")
                                 : QStringLiteral("duplicates-empty-incomplete"));
        shot.checkWarnings(h.warnings());
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication app(argc, argv);
    const QString folder = ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_files_capture");
    if (folder.isEmpty())
        return 2;
    ScreenCapture shot(folder, QStringLiteral("files"), QPoint(kPageSize.width() - 4, kPageSize.height() / 2),
                       kSettleMs);
    largeFiles(shot);
    largeFilesIncomplete(shot);
    duplicates(shot);
    duplicatesIncomplete(shot);
    return shot.failed() ? 1 : 0;
}
