#include "app/models/SpaceLensViewModel.h"

#include "app/models/FileToolCleaning.h"
#include "app/models/PostToModel.h"
#include "app/models/PublishedValue.h"
#include "app/platform/GuiFolderPicker.h"
#include "app/platform/GuiWorkspace.h"
#include "core/cleaning/Cleaner.h"
#include "core/cleaning/CleanupScanner.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/model/Formatting.h"
#include "core/permissions/FullDiskAccess.h"
#include "core/spacelens/SpaceLensSafety.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <set>
#include <utility>

namespace qm {
namespace {

const QString kChooseMessage = QStringLiteral("Choose a folder to analyze");

} // namespace

SpaceLensViewModel::SpaceLensViewModel(Services services, QObject* parent)
    : QObject(parent), m_clock(services.clock),
      m_scanner(services.scanner ? std::move(*services.scanner) : FileScanner()),
      m_trash(services.trash ? std::move(*services.trash) : Trash()),
      m_fullDiskAccess(std::move(services.fullDiskAccess)), m_picker(std::move(services.folderPicker)),
      m_workspace(std::move(services.workspace)), m_session(services.restoreTracker),
      m_home(services.home.empty() ? FileSystem::homeDirectory() : services.home),
      m_systemRoot(services.systemRoot.empty() ? Path("/") : services.systemRoot),
      m_places(CleanupScanner::placesOf(m_home, m_systemRoot)), m_folders(m_home),
      m_entryList(std::make_unique<SizedEntryListModel>()),
      m_layoutList(std::make_unique<SizedEntryListModel>())
{
    connect(&m_session, &TrashSession::generationChanged, this, &SpaceLensViewModel::generationChanged);
    connect(&m_session, &TrashSession::reportChanged, this, &SpaceLensViewModel::lastReportChanged);
    connect(&m_session, &TrashSession::cleaningChanged, this, &SpaceLensViewModel::removingChanged);
    connect(&m_session, &TrashSession::restoringChanged, this, &SpaceLensViewModel::restoringChanged);
    connect(&m_session, &TrashSession::failureNoteChanged, this, &SpaceLensViewModel::failureNoteChanged);
    connect(&m_session, &TrashSession::cleanCompletionsChanged, this,
            &SpaceLensViewModel::removeCompletionsChanged);
    if (!m_fullDiskAccess)
        m_fullDiskAccess = [home = m_home] { return FullDiskAccess::isGranted(home); };
    if (!m_picker)
        m_picker = std::make_shared<GuiFolderPicker>();
    m_fullDiskAccessGranted = m_fullDiskAccess();
}

SpaceLensViewModel::~SpaceLensViewModel()
{
    if (m_passStop)
        m_passStop->request_stop();
}

// ---- derived values ----

Path SpaceLensViewModel::current() const
{
    return m_folders.current();
}

std::vector<SelectedItem> SpaceLensViewModel::effectiveSelection() const
{
    return m_selected.effective();
}

QStringList SpaceLensViewModel::crumbLabels() const
{
    return m_folders.crumbLabels();
}

QVariantList SpaceLensViewModel::stackUrls() const
{
    return m_folders.urls();
}

QUrl SpaceLensViewModel::currentUrl() const
{
    return Workspace::fileUrl(current());
}

QString SpaceLensViewModel::currentName() const
{
    return m_folders.currentName();
}

QUrl SpaceLensViewModel::homeUrl() const
{
    return Workspace::fileUrl(m_home);
}

double SpaceLensViewModel::progress() const
{
    return m_totalToMeasure < 1 ? 0.0 : double(m_measured) / double(m_totalToMeasure);
}

void SpaceLensViewModel::recount()
{
    m_total = 0;
    m_unreadableCount = 0;
    for (const SizedEntry& entry : m_entries) {
        m_total += entry.bytes;
        m_unreadableCount += entry.unreadable ? 1 : 0;
    }
}

QString SpaceLensViewModel::totalText() const
{
    const qint64 bytes = total();
    if (bytes < 1 && unreadableCount() != 0)
        return QStringLiteral("\u2014");
    return Formatting::byteCount(bytes);
}

QString SpaceLensViewModel::summaryText() const
{
    QString text = totalText() + QStringLiteral(" \u00b7 ") +
                   Formatting::countedNoun(qint64(m_entries.size()), QStringLiteral("item"));
    if (const int unreadable = unreadableCount(); unreadable != 0)
        text +=
            QStringLiteral(" \u00b7 ") + QString::number(unreadable) + QStringLiteral(" can't be measured");
    return text;
}

QString SpaceLensViewModel::formattedSelected() const
{
    return m_selected.formattedEffective();
}

QString SpaceLensViewModel::formattedFreed() const
{
    return hasLastReport() ? lastReport()->formattedFreed() : Formatting::byteCount(0);
}

bool SpaceLensViewModel::isRemovable(const Path& path) const
{
    return SpaceLensSafety::isRemovable(path, m_places);
}

// ---- setters ----

void SpaceLensViewModel::setShowConfirm(bool show)
{
    publish(this, m_showConfirm, show, &SpaceLensViewModel::showConfirmChanged);
}

void SpaceLensViewModel::setFailureNote(const QString& note)
{
    // Announced even when the text repeats, so a dismissed alert comes up again.
    m_session.showFailure(note);
}

// ---- publishing ----

void SpaceLensViewModel::setScanning(bool value)
{
    publish(this, m_scanning, value, &SpaceLensViewModel::scanningChanged);
}

void SpaceLensViewModel::setCurrentUnreadable(bool value)
{
    publish(this, m_currentUnreadable, value, &SpaceLensViewModel::currentUnreadableChanged);
}

void SpaceLensViewModel::setFullDiskAccessGranted(bool value)
{
    publish(this, m_fullDiskAccessGranted, value, &SpaceLensViewModel::fullDiskAccessGrantedChanged);
}

void SpaceLensViewModel::setProgress(int measured, int totalToMeasure)
{
    if (m_measured == measured && m_totalToMeasure == totalToMeasure)
        return;
    m_measured = measured;
    m_totalToMeasure = totalToMeasure;
    emit progressChanged();
}

void SpaceLensViewModel::setJustEmptiedByRemoval(bool value)
{
    publish(this, m_justEmptiedByRemoval, value, &SpaceLensViewModel::justEmptiedByRemovalChanged);
}

void SpaceLensViewModel::publishStack()
{
    emit stackChanged();
}

SizedEntryListModel::Row SpaceLensViewModel::rowOf(const SizedEntry& entry) const
{
    SizedEntryListModel::Row row;
    row.entry = entry;
    row.colorIndex = m_colorIndexByID.value(entry.id, -1);
    row.removable = m_removable.value(entry.id, false);
    row.selected = m_selected.contains(entry.url);
    return row;
}

void SpaceLensViewModel::publishSelection()
{
    const auto isSelected = [this](const SizedEntry& entry) { return m_selected.contains(entry.url); };
    m_entryList->setSelected(isSelected);
    m_layoutList->setSelected(isSelected);
    emit selectionChanged();
}

void SpaceLensViewModel::clearEntries()
{
    m_entries.clear();
    m_bubbles.clear();
    m_layout.clear();
    m_removable.clear();
    recount();
    m_entryList->reset({});
    m_layoutList->update({});
    emit entriesChanged();
    emit layoutChanged();
}

// ---- the sizing pass ----

void SpaceLensViewModel::load()
{
    if (removing())
        return;
    if (m_passStop)
        m_passStop->request_stop();
    const int generation = m_session.advance();
    m_repack.reset();

    setFullDiskAccessGranted(m_fullDiskAccess());
    setScanning(true);
    setProgress(0, 0);
    setJustEmptiedByRemoval(false);
    clearEntries();
    setCurrentUnreadable(false);

    auto stop = std::make_shared<std::stop_source>();
    m_passStop = stop;
    const QPointer<SpaceLensViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, stop, scanner = m_scanner, folder = current(), places = m_places] {
            // Each entry and each report is its own queued call; calls queued from this one collecting
            // thread land in order, so every one of them has landed before the pass's end below.
            const auto onEntry = [&](const SizedEntry& entry) {
                // The rule reads the file system to resolve links: asked here, off the GUI thread.
                const bool removable = SpaceLensSafety::isRemovable(entry.url, places);
                postTo(self, [generation, entry, removable](SpaceLensViewModel& model) {
                    if (model.generation() == generation)
                        model.add(entry, removable);
                });
            };
            const auto onProgress = [self, generation](qint64 measured, qint64 total) {
                postTo(self, [generation, measured, total](SpaceLensViewModel& model) {
                    if (model.generation() == generation)
                        model.setProgress(int(measured), int(total));
                });
            };
            const bool unreadable = scanner.streamChildren(folder, onEntry, onProgress, stop->get_token());
            postTo(self, [generation, stop, unreadable](SpaceLensViewModel& model) {
                model.endPass(generation, *stop, unreadable);
            });
        });
}

void SpaceLensViewModel::endPass(int generation, const std::stop_source& stop, bool unreadable)
{
    if (stop.stop_requested() || this->generation() != generation)
        return;
    setCurrentUnreadable(unreadable);
    repack();
    // One more turn of the event loop before the pass counts as done, so that whatever was queued
    // meanwhile lands first; only the generation is tested again then.
    const QPointer<SpaceLensViewModel> self(this);
    postTo(self, [generation](SpaceLensViewModel& model) {
        if (model.generation() != generation)
            return;
        model.repack();
        model.setScanning(false);
        if (!model.m_hasScanned) {
            model.m_hasScanned = true;
            emit model.hasScannedChanged();
        }
    });
}

void SpaceLensViewModel::add(const SizedEntry& entry, bool removable)
{
    m_entries.push_back(entry);
    m_total += entry.bytes;
    m_unreadableCount += entry.unreadable ? 1 : 0;
    m_removable.insert(entry.id, removable);
    // Measured again: the record takes the fresh size and resolves the path again.
    if (m_selected.refresh(entry))
        emit selectionChanged();
    m_entryList->append(rowOf(entry));
    emit entriesChanged();

    if (m_repack.dueAt(m_clock.monotonicNow()))
        repack();
}

void SpaceLensViewModel::repack()
{
    BubbleRepack::Layout layout = m_repack.repack(m_entries);
    m_colorIndexByID = std::move(layout.colorIndexByID);
    m_bubbles = std::move(layout.bubbles);
    m_layout = std::move(layout.circles);

    std::vector<SizedEntryListModel::Row> rows;
    rows.reserve(m_entries.size());
    for (const SizedEntry& entry : m_entries)
        rows.push_back(rowOf(entry));
    m_entryList->reset(std::move(rows));
    std::vector<SizedEntryListModel::Row> circles;
    circles.reserve(m_layout.size());
    for (std::size_t i = 0; i < m_layout.size(); ++i) {
        const PackedCircle& circle = m_layout[i];
        const auto entry = std::find_if(m_bubbles.begin(), m_bubbles.end(),
                                        [&](const SizedEntry& e) { return e.id == circle.id; });
        if (entry == m_bubbles.end())
            continue;
        SizedEntryListModel::Row row = rowOf(*entry);
        row.circle = circle;
        row.order = int(i);
        circles.push_back(std::move(row));
    }
    m_layoutList->update(std::move(circles));
    emit entriesChanged();
    emit layoutChanged();
}

void SpaceLensViewModel::loadIfNeeded()
{
    if (m_entries.empty() && !m_scanning)
        load();
}

void SpaceLensViewModel::refreshFullDiskAccess()
{
    const bool before = m_fullDiskAccessGranted;
    setFullDiskAccessGranted(m_fullDiskAccess());
    if (!before && m_fullDiskAccessGranted && !m_scanning)
        load();
}

// ---- navigation ----

const SizedEntry* SpaceLensViewModel::entryById(const QString& entryId) const
{
    const QUuid id(entryId);
    if (id.isNull())
        return nullptr;
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const SizedEntry& entry) { return entry.id == id; });
    return found == m_entries.end() ? nullptr : &*found;
}

Workspace& SpaceLensViewModel::workspace() const
{
    if (!m_workspace)
        m_workspace = std::make_shared<GuiWorkspace>();
    return *m_workspace;
}

void SpaceLensViewModel::open(const SizedEntry& entry)
{
    if (removing())
        return;
    if (!entry.isDirectory) {
        workspace().reveal(entry.url);
        return;
    }
    m_folders.push(entry.url);
    publishStack();
    load();
}

void SpaceLensViewModel::open(const QString& entryId)
{
    // A copy: loading clears the entries it comes from.
    if (const SizedEntry* entry = entryById(entryId))
        open(SizedEntry(*entry));
}

void SpaceLensViewModel::jump(int index)
{
    if (removing() || !m_folders.popTo(index))
        return;
    publishStack();
    load();
}

void SpaceLensViewModel::back()
{
    if (removing() || !m_folders.back())
        return;
    publishStack();
    load();
}

void SpaceLensViewModel::choose()
{
    if (removing())
        return;
    const QPointer<SpaceLensViewModel> self(this);
    m_picker->choose(kChooseMessage, current(), [self](const std::optional<Path>& folder) {
        if (self)
            self->applyChoice(folder);
    });
}

void SpaceLensViewModel::applyChoice(const std::optional<Path>& folder)
{
    // The chooser does not block: a removal may have started while it was open.
    if (!folder || removing())
        return;
    m_selected.clear();
    publishSelection();
    m_session.withdraw();
    m_folders.reset(*folder);
    publishStack();
    load();
}

// ---- selection ----

void SpaceLensViewModel::toggleSelect(const SizedEntry& entry)
{
    if (!isRemovable(entry.url))
        return;
    m_selected.toggle(entry);
    publishSelection();
}

void SpaceLensViewModel::toggleSelect(const QString& entryId)
{
    if (const SizedEntry* entry = entryById(entryId))
        toggleSelect(SizedEntry(*entry));
}

void SpaceLensViewModel::clearSelection()
{
    if (m_selected.clear())
        publishSelection();
}

void SpaceLensViewModel::reveal(const QString& entryId)
{
    if (const SizedEntry* entry = entryById(entryId))
        workspace().reveal(entry->url);
}

// ---- removal and undo ----

Path SpaceLensViewModel::lensRoot() const
{
    return m_folders.root();
}

void SpaceLensViewModel::confirmRemove()
{
    if (removing())
        return;
    std::vector<ScanItem> items;
    for (const SelectedItem& item : effectiveSelection()) {
        if (!isRemovable(item.url))
            continue;
        ScanItem scanItem;
        scanItem.url = item.url;
        scanItem.name = FileSystem::displayName(item.name);
        scanItem.bytes = item.bytes;
        scanItem.isSelected = true;
        items.push_back(std::move(scanItem));
    }
    if (items.empty())
        return;
    // Anywhere below the root of the browsing, whichever folder is current.
    m_session.clean([root = lensRoot(), trash = m_trash,
                     items] { return Cleaner(SafetyGuard({root}), trash).clean(items); },
                    [this](const CleanReport& report, bool current) { applyRemoval(report, current); });
}

void SpaceLensViewModel::applyRemoval(const CleanReport& report, bool current)
{
    if (const std::optional<QString> note = removalNote(report))
        setFailureNote(*note);

    // Deselected by where the removed items really were, whatever folder is shown now.
    if (m_selected.dropRemoved(report))
        publishSelection();

    if (current) {
        const std::set<Path::string_type> originals = report.trashedOriginals();
        const std::size_t count = m_entries.size();
        std::erase_if(m_entries, [&](const SizedEntry& entry) {
            return originals.contains(FileSystem::standardize(entry.url).native());
        });
        recount();
        if (m_entries.empty() && count != 0 && !report.trashed.empty())
            setJustEmptiedByRemoval(true);
        repack();
    }

    // An undo that ended during this removal measures again now, unless the user moved on.
    if (const std::optional<int> reload = std::exchange(m_reloadAfterRemoval, std::nullopt);
        reload && *reload == generation())
        load();
}

std::optional<QString> SpaceLensViewModel::removalNote(const CleanReport& report)
{
    return FileToolCleaning::moveFailureNote(report, QStringLiteral("item"), QLatin1Char(':'));
}

std::optional<QString> SpaceLensViewModel::undoNote(const UndoResult& result)
{
    return FileToolCleaning::restoreShortfallNote(result, QStringLiteral("item"));
}

void SpaceLensViewModel::undoLast()
{
    // An undo may run beside a removal. The record's removals were all rooted at the root of the
    // browsing; so is their restore.
    m_session.undo(
        [root = lensRoot(), trash = m_trash](const CleanReport& report) {
            return Cleaner(SafetyGuard({root}), trash).undo(report);
        },
        [this](const UndoResult& result, bool current) {
            if (const std::optional<QString> note = undoNote(result))
                setFailureNote(*note);
            if (!current)
                return;
            // A removal under way would refuse the load: it runs when that removal has been
            // applied.
            if (removing())
                m_reloadAfterRemoval = generation();
            else
                load();
        });
}

} // namespace qm
