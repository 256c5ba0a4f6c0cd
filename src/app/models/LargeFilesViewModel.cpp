#include "app/models/LargeFilesViewModel.h"

#include "app/models/FileToolCleaning.h"
#include "app/models/PostToModel.h"
#include "app/models/PublishedValue.h"
#include "app/platform/GuiFolderPicker.h"
#include "core/model/Formatting.h"
#include "core/permissions/FullDiskAccess.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QMetaEnum>
#include <QPointer>
#include <QThreadPool>

#include <chrono>
#include <utility>

namespace qm {
namespace {

// The live count is published at most this often.
constexpr std::chrono::milliseconds kCountInterval{150};

const QString kChooseMessage = QStringLiteral("Choose a folder to scan for large files");

} // namespace

LargeFilesViewModel::LargeFilesViewModel(Services services, QObject* parent)
    : QObject(parent), m_clock(services.clock),
      m_scanner(services.scanner ? std::move(*services.scanner) : FileScanner()),
      m_trash(services.trash ? std::move(*services.trash) : Trash()), m_search(std::move(services.search)),
      m_fullDiskAccess(std::move(services.fullDiskAccess)), m_picker(std::move(services.folderPicker)),
      m_ownTracker(services.restoreTracker ? nullptr : std::make_unique<RestoreTracker>()),
      m_tracker(services.restoreTracker ? services.restoreTracker : m_ownTracker.get()),
      m_root(services.home.empty() ? FileSystem::homeDirectory() : services.home), m_scannedRoot(m_root)
{
    if (!m_fullDiskAccess)
        m_fullDiskAccess = [home = m_root] { return FullDiskAccess::isGranted(home); };
    if (!m_search) {
        m_search = [scanner = m_scanner](const Path& root, qint64 minBytes, std::optional<int> months,
                                         const FileScanner::VisitSink& progress, std::stop_token stop) {
            return scanner.scanLargeFiles(root, minBytes, months, progress, std::move(stop));
        };
    }
    if (!m_picker)
        m_picker = std::make_shared<GuiFolderPicker>();
    m_fullDiskAccessGranted = m_fullDiskAccess();
}

LargeFilesViewModel::~LargeFilesViewModel()
{
    stopSearch();
}

QUrl LargeFilesViewModel::rootUrl() const
{
    return Workspace::fileUrl(m_root);
}

QString LargeFilesViewModel::phaseName() const
{
    return QString::fromLatin1(QMetaEnum::fromType<Phase>().valueToKey(int(m_phase)));
}

QString LargeFilesViewModel::rootPath() const
{
    return FileSystem::displayName(m_root);
}

// ---- derived values ----

std::vector<FileEntry> LargeFilesViewModel::selectedFiles() const
{
    std::vector<FileEntry> selected;
    for (const FileEntry& file : files()) {
        if (file.isSelected && !file.sharesInode)
            selected.push_back(file);
    }
    return selected;
}

int LargeFilesViewModel::selectedCount() const
{
    return int(std::count_if(files().begin(), files().end(),
                             [](const FileEntry& file) { return file.isSelected && !file.sharesInode; }));
}

QString LargeFilesViewModel::formattedFreed() const
{
    return m_lastReport ? m_lastReport->formattedFreed() : QString();
}

int LargeFilesViewModel::trashedCount() const
{
    return m_lastReport ? int(m_lastReport->trashed.size()) : 0;
}

QString LargeFilesViewModel::formattedSelected() const
{
    qint64 sum = 0;
    for (const FileEntry& file : selectedFiles())
        sum += file.bytes;
    return Formatting::byteCount(sum);
}

// ---- setters ----

void LargeFilesViewModel::setPhase(Phase phase)
{
    publish(this, m_phase, phase, &LargeFilesViewModel::phaseChanged);
}

void LargeFilesViewModel::setRoot(const Path& root)
{
    if (m_root.native() == root.native())
        return;
    m_root = root;
    emit rootChanged();
}

void LargeFilesViewModel::setMinMB(double value)
{
    publish(this, m_minMB, value, &LargeFilesViewModel::minMBChanged);
}

void LargeFilesViewModel::setOlderThanMonths(int months)
{
    publish(this, m_olderThanMonths, months, &LargeFilesViewModel::olderThanMonthsChanged);
}

void LargeFilesViewModel::setFiles(std::vector<FileEntry> files)
{
    m_files.replace(std::move(files));
    emit filesChanged();
    emit selectionChanged();
}

void LargeFilesViewModel::applyCount(qint64 count)
{
    const auto now = m_clock.monotonicNow();
    if (m_lastCountUpdate && now - *m_lastCountUpdate < kCountInterval)
        return;
    m_lastCountUpdate = now;
    m_scannedCount = count;
    emit scannedCountChanged();
}

void LargeFilesViewModel::setScanIncomplete(bool value)
{
    publish(this, m_scanIncomplete, value, &LargeFilesViewModel::scanIncompleteChanged);
}

void LargeFilesViewModel::setLastReport(std::optional<CleanReport> report)
{
    const bool changed = m_lastReport.has_value() || report.has_value();
    m_lastReport = std::move(report);
    if (changed)
        emit lastReportChanged();
}

void LargeFilesViewModel::setShowConfirm(bool show)
{
    publish(this, m_showConfirm, show, &LargeFilesViewModel::showConfirmChanged);
}

void LargeFilesViewModel::setCleaning(bool value)
{
    publish(this, m_cleaning, value, &LargeFilesViewModel::cleaningChanged);
}

void LargeFilesViewModel::setRestoring(bool value)
{
    // Held for exactly as long as this model restores, so no module empties the Trash meanwhile.
    if (m_tracker->setHeld(m_restoreToken, value))
        emit restoringChanged();
}

void LargeFilesViewModel::setFailureNote(const QString& note)
{
    m_failureNote = note;
    // Announced even when the text repeats, so a dismissed alert comes up again.
    emit failureNoteChanged();
}

void LargeFilesViewModel::setFullDiskAccessGranted(bool value)
{
    publish(this, m_fullDiskAccessGranted, value, &LargeFilesViewModel::fullDiskAccessGrantedChanged);
}

void LargeFilesViewModel::refreshFullDiskAccess()
{
    setFullDiskAccessGranted(m_fullDiskAccess());
}

// ---- folder and search ----

void LargeFilesViewModel::stopSearch()
{
    if (m_searchStop)
        m_searchStop->request_stop();
}

void LargeFilesViewModel::chooseFolder()
{
    if (m_cleaning || restoring())
        return;
    const QPointer<LargeFilesViewModel> self(this);
    m_picker->choose(kChooseMessage, m_root, [self](const std::optional<Path>& folder) {
        if (self)
            self->applyFolder(folder);
    });
}

void LargeFilesViewModel::applyFolder(const std::optional<Path>& folder)
{
    // The chooser does not block: what changed while it was open is checked now.
    if (!folder || m_cleaning || restoring() || folder->native() == m_root.native())
        return;
    stopSearch();
    ++m_generation;
    setRoot(*folder);
    setPhase(Phase::idle);
    setFiles({});
    setLastReport(std::nullopt);
}

void LargeFilesViewModel::scan()
{
    if (m_cleaning || restoring())
        return;
    stopSearch();
    const int generation = ++m_generation;
    setFullDiskAccessGranted(m_fullDiskAccess());
    setLastReport(std::nullopt);
    setPhase(Phase::scanning);
    m_scannedCount = 0;
    emit scannedCountChanged();
    setFiles({});
    setScanIncomplete(false);
    m_lastCountUpdate.reset();
    m_scannedRoot = m_root;
    // Truncated toward zero: 100 MB is 100,000,000 bytes.
    const qint64 minBytes = qint64(m_minMB * 1'000'000.0);
    const std::optional<int> months =
        m_olderThanMonths == 0 ? std::nullopt : std::optional<int>(m_olderThanMonths);

    auto stop = std::make_shared<std::stop_source>();
    m_searchStop = stop;
    const QPointer<LargeFilesViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, stop, search = m_search, folder = m_root, minBytes, months] {
            const auto progress = [self, generation](qint64 count) {
                postTo(self, [generation, count](LargeFilesViewModel& model) {
                    if (model.m_generation == generation)
                        model.applyCount(count);
                });
            };
            FileScanner::LargeFiles found = search(folder, minBytes, months, progress, stop->get_token());
            postTo(self, [generation, stop, found = std::move(found)](LargeFilesViewModel& model) mutable {
                if (stop->stop_requested() || model.m_generation != generation)
                    return;
                model.setFiles(std::move(found.entries));
                model.setScanIncomplete(found.incomplete);
                model.setPhase(Phase::results);
            });
        });
}

void LargeFilesViewModel::cancel()
{
    stopSearch();
    setPhase(files().empty() ? Phase::idle : Phase::results);
}

// ---- selection ----

void LargeFilesViewModel::toggle(const QUuid& id)
{
    const std::vector<FileEntry>& all = files();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].id != id)
            continue;
        // Only this row is announced; the list keeps every other item.
        m_files.setSelected(int(i), !all[i].isSelected);
        emit selectionChanged();
        return;
    }
}

// ---- clean and undo ----

void LargeFilesViewModel::confirmClean()
{
    // A restore under way ends in a search that a clean would race.
    if (m_cleaning || restoring())
        return;
    std::vector<ScanItem> items = FileToolCleaning::itemsFrom(selectedFiles());
    if (items.empty())
        return;
    setCleaning(true);
    const int generation = m_generation;
    FileToolCleaning::clean(this, m_scannedRoot, m_trash, std::move(items),
                            [this, generation](CleanReport report) { applyClean(generation, report); });
}

void LargeFilesViewModel::applyClean(int generation, const CleanReport& report)
{
    setCleaning(false);
    setLastReport(FileToolCleaning::merged(m_lastReport, report));
    if (const std::optional<QString> note = FileToolCleaning::cleanNote(report))
        setFailureNote(*note);
    if (generation != m_generation)
        return;

    const std::set<Path::string_type> trashed = report.trashedOriginals();
    // The files left keep their rows.
    m_files.removeIf([&](const FileEntry& file) { return trashed.contains(file.url.native()); });
    emit filesChanged();
    emit selectionChanged();
}

void LargeFilesViewModel::undoLast()
{
    if (m_cleaning || restoring() || m_tracker->emptyingTrash() || !m_lastReport)
        return;
    CleanReport report = std::move(*m_lastReport);
    setLastReport(std::nullopt);
    setRestoring(true);
    const int generation = m_generation;
    // The record was made by cleans rooted at the searched folder; the restore is held to it too.
    FileToolCleaning::undo(this, m_scannedRoot, m_trash, std::move(report),
                           [this, generation](UndoResult result) {
                               setRestoring(false);
                               if (const std::optional<QString> note = FileToolCleaning::undoNote(result))
                                   setFailureNote(*note);
                               if (generation == m_generation)
                                   scan();
                           });
}

} // namespace qm
