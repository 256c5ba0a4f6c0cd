#include "app/models/FileToolViewModel.h"

#include "app/models/FileToolCleaning.h"
#include "app/models/PublishedValue.h"
#include "app/platform/GuiFolderPicker.h"
#include "core/cleaning/Cleaner.h"
#include "core/cleaning/SafetyGuard.h"
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
      m_chooseMessage(std::move(common.chooseMessage)), m_session(common.restoreTracker),
      m_root(common.home.empty() ? FileSystem::homeDirectory() : common.home), m_scannedRoot(m_root)
{
    connect(&m_session, &TrashSession::reportChanged, this, &FileToolViewModel::lastReportChanged);
    connect(&m_session, &TrashSession::cleaningChanged, this, &FileToolViewModel::cleaningChanged);
    connect(&m_session, &TrashSession::restoringChanged, this, &FileToolViewModel::restoringChanged);
    connect(&m_session, &TrashSession::failureNoteChanged, this, &FileToolViewModel::failureNoteChanged);
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
    return hasUndo() ? lastReport()->formattedFreed() : QString();
}

int FileToolViewModel::trashedCount() const
{
    return hasUndo() ? int(lastReport()->trashed.size()) : 0;
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

void FileToolViewModel::setShowConfirm(bool show)
{
    publish(this, m_showConfirm, show, &FileToolViewModel::showConfirmChanged);
}

void FileToolViewModel::setFailureNote(const QString& note)
{
    // Announced even when the text repeats, so a dismissed alert comes up again.
    m_session.showFailure(note);
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
    if (cleaning() || restoring())
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
    if (!folder || cleaning() || restoring() || folder->native() == m_root.native())
        return;
    stopSearch();
    m_session.advance();
    setRoot(*folder);
    setPhase(Phase::idle);
    clearResults();
    m_session.withdraw();
}

void FileToolViewModel::scan()
{
    if (cleaning() || restoring())
        return;
    stopSearch();
    const int generation = m_session.advance();
    setFullDiskAccessGranted(m_fullDiskAccess());
    m_session.withdraw();
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
    if (cleaning() || restoring())
        return;
    std::vector<ScanItem> items = FileToolCleaning::itemsFrom(selectedFiles());
    if (items.empty())
        return;
    cleanStarting(items);
    // Only paths strictly below the searched folder may go.
    m_session.clean([root = m_scannedRoot, trash = m_trash,
                     items] { return Cleaner(SafetyGuard({root}), trash).clean(items); },
                    [this](const CleanReport& report, bool current) { applyClean(report, current); });
}

void FileToolViewModel::applyClean(const CleanReport& report, bool current)
{
    cleanEnding();
    if (const std::optional<QString> note = FileToolCleaning::cleanNote(report))
        setFailureNote(*note);
    if (!current)
        return;
    prune(report.trashedOriginals());
    emit selectionChanged();
}

void FileToolViewModel::undoLast()
{
    if (cleaning())
        return;
    // The record was made by cleans rooted at the searched folder; the restore is held to it too.
    m_session.undo(
        [root = m_scannedRoot, trash = m_trash](const CleanReport& report) {
            return Cleaner(SafetyGuard({root}), trash).undo(report);
        },
        [this](const UndoResult& result, bool current) {
            if (const std::optional<QString> note = FileToolCleaning::undoNote(result))
                setFailureNote(*note);
            if (current)
                scan();
        });
}

} // namespace qm
