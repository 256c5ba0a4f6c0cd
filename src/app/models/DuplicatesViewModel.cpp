#include "app/models/DuplicatesViewModel.h"

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

#include <utility>

namespace qm {
namespace {

const QString kChooseMessage = QStringLiteral("Choose a folder to scan for duplicates");

} // namespace

DuplicatesViewModel::DuplicatesViewModel(Services services, QObject* parent)
    : QObject(parent), m_scanner(services.scanner ? std::move(*services.scanner) : FileScanner()),
      m_trash(services.trash ? std::move(*services.trash) : Trash()),
      m_fullDiskAccess(std::move(services.fullDiskAccess)), m_picker(std::move(services.folderPicker)),
      m_ownTracker(services.restoreTracker ? nullptr : std::make_unique<RestoreTracker>()),
      m_tracker(services.restoreTracker ? services.restoreTracker : m_ownTracker.get()),
      m_root(services.home.empty() ? FileSystem::homeDirectory() : services.home), m_scannedRoot(m_root)
{
    if (!m_fullDiskAccess)
        m_fullDiskAccess = [home = m_root] { return FullDiskAccess::isGranted(home); };
    if (!m_picker)
        m_picker = std::make_shared<GuiFolderPicker>();
    m_fullDiskAccessGranted = m_fullDiskAccess();
}

DuplicatesViewModel::~DuplicatesViewModel()
{
    stopSearch();
}

QUrl DuplicatesViewModel::rootUrl() const
{
    return Workspace::fileUrl(m_root);
}

QString DuplicatesViewModel::phaseName() const
{
    return QString::fromLatin1(QMetaEnum::fromType<Phase>().valueToKey(int(m_phase)));
}

QString DuplicatesViewModel::rootPath() const
{
    return FileSystem::displayName(m_root);
}

// ---- derived values ----

std::vector<FileEntry> DuplicatesViewModel::selectedFiles() const
{
    std::vector<FileEntry> selected;
    for (const DuplicateGroup& group : groups()) {
        for (const FileEntry& file : group.files) {
            if (file.isSelected && !file.sharesInode)
                selected.push_back(file);
        }
    }
    return selected;
}

int DuplicatesViewModel::selectedCount() const
{
    int count = 0;
    for (const DuplicateGroup& group : groups())
        count += int(std::count_if(group.files.begin(), group.files.end(), [](const FileEntry& file) {
            return file.isSelected && !file.sharesInode;
        }));
    return count;
}

QString DuplicatesViewModel::formattedSelected() const
{
    qint64 sum = 0;
    for (const FileEntry& file : selectedFiles())
        sum += file.bytes;
    return Formatting::byteCount(sum);
}

qint64 DuplicatesViewModel::totalWasted() const
{
    qint64 sum = 0;
    for (const DuplicateGroup& group : groups())
        sum += group.wastedBytes();
    return sum;
}

QString DuplicatesViewModel::formattedFreed() const
{
    return m_lastReport ? m_lastReport->formattedFreed() : QString();
}

int DuplicatesViewModel::trashedCount() const
{
    return m_lastReport ? int(m_lastReport->trashed.size()) : 0;
}

// ---- setters ----

void DuplicatesViewModel::setPhase(Phase phase)
{
    publish(this, m_phase, phase, &DuplicatesViewModel::phaseChanged);
}

void DuplicatesViewModel::setRoot(const Path& root)
{
    if (m_root.native() == root.native())
        return;
    m_root = root;
    emit rootChanged();
}

void DuplicatesViewModel::setGroups(std::vector<DuplicateGroup> groups)
{
    m_groups.replace(std::move(groups));
    emit groupsChanged();
    emit selectionChanged();
}

void DuplicatesViewModel::setProgressLabel(const QString& label)
{
    publish(this, m_progressLabel, label, &DuplicatesViewModel::progressLabelChanged);
}

void DuplicatesViewModel::setScanIncomplete(bool value)
{
    publish(this, m_scanIncomplete, value, &DuplicatesViewModel::scanIncompleteChanged);
}

void DuplicatesViewModel::setLastReport(std::optional<CleanReport> report)
{
    const bool changed = m_lastReport.has_value() || report.has_value();
    m_lastReport = std::move(report);
    if (changed)
        emit lastReportChanged();
}

void DuplicatesViewModel::setShowConfirm(bool show)
{
    publish(this, m_showConfirm, show, &DuplicatesViewModel::showConfirmChanged);
}

void DuplicatesViewModel::setCleaning(bool value)
{
    publish(this, m_cleaning, value, &DuplicatesViewModel::cleaningChanged);
}

void DuplicatesViewModel::setRestoring(bool value)
{
    // Held for exactly as long as this model restores, so no module empties the Trash meanwhile.
    if (m_tracker->setHeld(m_restoreToken, value))
        emit restoringChanged();
}

void DuplicatesViewModel::setFailureNote(const QString& note)
{
    m_failureNote = note;
    // Announced even when the text repeats, so a dismissed alert comes up again.
    emit failureNoteChanged();
}

void DuplicatesViewModel::setFullDiskAccessGranted(bool value)
{
    publish(this, m_fullDiskAccessGranted, value, &DuplicatesViewModel::fullDiskAccessGrantedChanged);
}

void DuplicatesViewModel::refreshFullDiskAccess()
{
    setFullDiskAccessGranted(m_fullDiskAccess());
}

// ---- folder and search ----

void DuplicatesViewModel::stopSearch()
{
    if (m_searchStop)
        m_searchStop->request_stop();
}

void DuplicatesViewModel::chooseFolder()
{
    if (m_cleaning || restoring())
        return;
    const QPointer<DuplicatesViewModel> self(this);
    m_picker->choose(kChooseMessage, m_root, [self](const std::optional<Path>& folder) {
        if (self)
            self->applyFolder(folder);
    });
}

void DuplicatesViewModel::applyFolder(const std::optional<Path>& folder)
{
    // The chooser does not block: what changed while it was open is checked now.
    if (!folder || m_cleaning || restoring() || folder->native() == m_root.native())
        return;
    stopSearch();
    ++m_generation;
    setRoot(*folder);
    setPhase(Phase::idle);
    setGroups({});
    setLastReport(std::nullopt);
}

void DuplicatesViewModel::scan()
{
    if (m_cleaning || restoring())
        return;
    stopSearch();
    const int generation = ++m_generation;
    setFullDiskAccessGranted(m_fullDiskAccess());
    setLastReport(std::nullopt);
    setPhase(Phase::scanning);
    setGroups({});
    setProgressLabel(QStringLiteral("Scanning\u2026"));
    setScanIncomplete(false);
    m_scannedRoot = m_root;

    auto stop = std::make_shared<std::stop_source>();
    m_searchStop = stop;
    const QPointer<DuplicatesViewModel> self(this);
    QThreadPool::globalInstance()->start([self, generation, stop, scanner = m_scanner, folder = m_root] {
        const auto progress = [self, generation](const QString& text) {
            postTo(self, [generation, text](DuplicatesViewModel& model) {
                if (model.m_generation == generation)
                    model.setProgressLabel(text);
            });
        };
        FileScanner::DuplicateSearch found =
            scanner.findDuplicates(folder, kMinBytes, progress, stop->get_token());
        postTo(self, [generation, stop, found = std::move(found)](DuplicatesViewModel& model) mutable {
            if (stop->stop_requested() || model.m_generation != generation)
                return;
            model.setGroups(std::move(found.groups));
            model.setScanIncomplete(found.incomplete);
            model.setPhase(Phase::results);
        });
    });
}

void DuplicatesViewModel::cancel()
{
    stopSearch();
    setPhase(groups().empty() ? Phase::idle : Phase::results);
}

// ---- selection ----

void DuplicatesViewModel::toggle(const QUuid& id)
{
    const std::vector<DuplicateGroup>& all = groups();
    for (std::size_t g = 0; g < all.size(); ++g) {
        const std::vector<FileEntry>& files = all[g].files;
        for (std::size_t f = 0; f < files.size(); ++f) {
            if (files[f].id != id)
                continue;
            if (!files[f].isSelected) {
                // A copy that a running clean is moving counts as chosen even when it was released
                // meanwhile: it leaves the group when the clean ends.
                const auto selected = std::count_if(files.begin(), files.end(), [&](const FileEntry& file) {
                    return file.isSelected || m_leaving.contains(file.url.native());
                });
                // One copy of every group always stays.
                if (selected >= qint64(files.size()) - 1)
                    return;
            }
            // Only this group's row is announced; the list keeps every other item.
            m_groups.setSelected(int(g), int(f), !files[f].isSelected);
            emit selectionChanged();
            return;
        }
    }
}

// ---- clean and undo ----

void DuplicatesViewModel::confirmClean()
{
    // A restore under way ends in a search that a clean would race.
    if (m_cleaning || restoring())
        return;
    std::vector<ScanItem> items = FileToolCleaning::itemsFrom(selectedFiles());
    if (items.empty())
        return;
    for (const ScanItem& item : items)
        m_leaving.insert(item.url.native());
    setCleaning(true);
    const int generation = m_generation;
    FileToolCleaning::clean(this, m_scannedRoot, m_trash, std::move(items),
                            [this, generation](CleanReport report) { applyClean(generation, report); });
}

void DuplicatesViewModel::applyClean(int generation, const CleanReport& report)
{
    m_leaving.clear();
    setCleaning(false);
    setLastReport(FileToolCleaning::merged(m_lastReport, report));
    if (const std::optional<QString> note = FileToolCleaning::cleanNote(report))
        setFailureNote(*note);
    if (generation != m_generation)
        return;

    const std::set<Path::string_type> trashed = report.trashedOriginals();
    // A group stays while a copy besides the first still frees space; kept groups keep their rows.
    m_groups.prune([&](const FileEntry& file) { return trashed.contains(file.url.native()); },
                   [](const DuplicateGroup& group) {
                       return group.files.size() >= 2 &&
                              std::any_of(group.files.begin() + 1, group.files.end(),
                                          [](const FileEntry& f) { return !f.sharesInode; });
                   });
    emit groupsChanged();
    emit selectionChanged();
}

void DuplicatesViewModel::undoLast()
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
