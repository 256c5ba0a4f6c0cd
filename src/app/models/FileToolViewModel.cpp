#include "app/models/FileToolViewModel.h"

#include "app/models/FileToolCleaning.h"
#include "app/models/PublishedValue.h"
#include "app/platform/GuiFolderPicker.h"
#include "core/model/Formatting.h"
#include "core/permissions/FullDiskAccess.h"
#include "platform/Workspace.h"

#include <QMetaEnum>
#include <QPointer>

#include <utility>

namespace qm {

FileToolViewModel::FileToolViewModel(Common common, QObject* parent)
    : QObject(parent), m_trash(common.trash ? std::move(*common.trash) : Trash()),
      m_fullDiskAccess(std::move(common.fullDiskAccess)), m_picker(std::move(common.folderPicker)),
      m_chooseMessage(std::move(common.chooseMessage)),
      m_ownTracker(common.restoreTracker ? nullptr : std::make_unique<RestoreTracker>()),
      m_tracker(common.restoreTracker ? common.restoreTracker : m_ownTracker.get()),
      m_root(common.home.empty() ? FileSystem::homeDirectory() : common.home), m_scannedRoot(m_root)
{
    if (!m_fullDiskAccess)
        m_fullDiskAccess = [home = m_root] { return FullDiskAccess::isGranted(home); };
    if (!m_picker)
        m_picker = std::make_shared<GuiFolderPicker>();
    m_fullDiskAccessGranted = m_fullDiskAccess();
}

FileToolViewModel::~FileToolViewModel()
{
    stopSearch();
}

QString FileToolViewModel::phaseName() const
{
    return QString::fromLatin1(QMetaEnum::fromType<Phase>().valueToKey(int(m_phase)));
}

QUrl FileToolViewModel::rootUrl() const
{
    return Workspace::fileUrl(m_root);
}

QString FileToolViewModel::rootPath() const
{
    return FileSystem::displayName(m_root);
}

// ---- derived values ----

std::vector<FileEntry> FileToolViewModel::selectedFiles() const
{
    std::vector<FileEntry> selected;
    forEachChosen([&](const FileEntry& file) { selected.push_back(file); });
    return selected;
}

int FileToolViewModel::selectedCount() const
{
    int count = 0;
    forEachChosen([&](const FileEntry&) { ++count; });
    return count;
}

QString FileToolViewModel::formattedSelected() const
{
    qint64 sum = 0;
    forEachChosen([&](const FileEntry& file) { sum += file.bytes; });
    return Formatting::byteCount(sum);
}

QString FileToolViewModel::formattedFreed() const
{
    return m_lastReport ? m_lastReport->formattedFreed() : QString();
}

int FileToolViewModel::trashedCount() const
{
    return m_lastReport ? int(m_lastReport->trashed.size()) : 0;
}

// ---- setters ----

void FileToolViewModel::setPhase(Phase phase)
{
    publish(this, m_phase, phase, &FileToolViewModel::phaseChanged);
}

void FileToolViewModel::setRoot(const Path& root)
{
    if (m_root.native() == root.native())
        return;
    m_root = root;
    emit rootChanged();
}

void FileToolViewModel::setScanIncomplete(bool value)
{
    publish(this, m_scanIncomplete, value, &FileToolViewModel::scanIncompleteChanged);
}

void FileToolViewModel::setLastReport(std::optional<CleanReport> report)
{
    const bool changed = m_lastReport.has_value() || report.has_value();
    m_lastReport = std::move(report);
    if (changed)
        emit lastReportChanged();
}

void FileToolViewModel::setShowConfirm(bool show)
{
    publish(this, m_showConfirm, show, &FileToolViewModel::showConfirmChanged);
}

void FileToolViewModel::setCleaning(bool value)
{
    publish(this, m_cleaning, value, &FileToolViewModel::cleaningChanged);
}

void FileToolViewModel::setRestoring(bool value)
{
    // Held for exactly as long as this model restores, so no module empties the Trash meanwhile.
    if (m_tracker->setHeld(m_restoreToken, value))
        emit restoringChanged();
}

void FileToolViewModel::setFailureNote(const QString& note)
{
    m_failureNote = note;
    // Announced even when the text repeats, so a dismissed alert comes up again.
    emit failureNoteChanged();
}

void FileToolViewModel::setFullDiskAccessGranted(bool value)
{
    publish(this, m_fullDiskAccessGranted, value, &FileToolViewModel::fullDiskAccessGrantedChanged);
}

void FileToolViewModel::refreshFullDiskAccess()
{
    setFullDiskAccessGranted(m_fullDiskAccess());
}

// ---- folder and search ----

void FileToolViewModel::stopSearch()
{
    if (m_searchStop)
        m_searchStop->request_stop();
}

void FileToolViewModel::chooseFolder()
{
    if (m_cleaning || restoring())
        return;
    const QPointer<FileToolViewModel> self(this);
    m_picker->choose(m_chooseMessage, m_root, [self](const std::optional<Path>& folder) {
        if (self)
            self->applyFolder(folder);
    });
}

void FileToolViewModel::applyFolder(const std::optional<Path>& folder)
{
    // The chooser does not block: what changed while it was open is checked now.
    if (!folder || m_cleaning || restoring() || folder->native() == m_root.native())
        return;
    stopSearch();
    ++m_generation;
    setRoot(*folder);
    setPhase(Phase::idle);
    clearResults();
    setLastReport(std::nullopt);
}

void FileToolViewModel::scan()
{
    if (m_cleaning || restoring())
        return;
    stopSearch();
    const int generation = ++m_generation;
    setFullDiskAccessGranted(m_fullDiskAccess());
    setLastReport(std::nullopt);
    setPhase(Phase::scanning);
    searchStarting();
    clearResults();
    setScanIncomplete(false);
    m_scannedRoot = m_root;
    auto stop = std::make_shared<std::stop_source>();
    m_searchStop = stop;
    runSearch(generation, std::move(stop), m_root);
}

void FileToolViewModel::cancel()
{
    stopSearch();
    setPhase(hasResults() ? Phase::results : Phase::idle);
}

// ---- clean and undo ----

void FileToolViewModel::confirmClean()
{
    // A restore under way ends in a search that a clean would race.
    if (m_cleaning || restoring())
        return;
    std::vector<ScanItem> items = FileToolCleaning::itemsFrom(selectedFiles());
    if (items.empty())
        return;
    cleanStarting(items);
    setCleaning(true);
    const int generation = m_generation;
    FileToolCleaning::clean(this, m_scannedRoot, m_trash, std::move(items),
                            [this, generation](CleanReport report) { applyClean(generation, report); });
}

void FileToolViewModel::applyClean(int generation, const CleanReport& report)
{
    cleanEnding();
    setCleaning(false);
    setLastReport(FileToolCleaning::merged(m_lastReport, report));
    if (const std::optional<QString> note = FileToolCleaning::cleanNote(report))
        setFailureNote(*note);
    if (generation != m_generation)
        return;
    prune(report.trashedOriginals());
    emit selectionChanged();
}

void FileToolViewModel::undoLast()
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
