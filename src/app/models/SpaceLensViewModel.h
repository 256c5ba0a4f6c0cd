#pragma once

#include "app/models/BubbleRepack.h"
#include "app/models/FolderStack.h"
#include "app/models/NestedSelection.h"
#include "app/models/RestoreTracker.h"
#include "app/models/SizedEntryListModel.h"
#include "app/models/TrashSession.h"
#include "core/files/FileScanner.h"
#include "core/files/SizedEntry.h"
#include "core/model/CleanReport.h"
#include "core/model/UndoResult.h"
#include "core/spacelens/PackedCircle.h"
#include "core/spacelens/SelectedItem.h"
#include "platform/FolderPicker.h"
#include "platform/Trash.h"
#include "platform/Workspace.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

class Clock;

// The model of the space lens: a stack of folders the user drilled into (the first is the root of the
// browsing, the last the folder shown), the children of the current folder measured in the background
// and published as they arrive, kept sorted by size, the largest forty packed into a bubble layout,
// the user's selection of removable items (it may span folders), moving the effective selection to the
// Trash and undoing every removal since the last undo or folder choice in one go. Lives on the GUI
// thread and never blocks it: the sizing, the removal and the restore run on the thread pool, each
// result comes back as a queued call, and sizing results of an outdated pass are dropped by the
// generation. While a removal runs (`removing`) no folder change, load or second removal starts; while
// an undo runs (`restoring`, holding the shared restore tracker's token) the Trash is not emptied.
class SpaceLensViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

    // How many sizing passes `load` has started; 0 before the first.
    Q_PROPERTY(int generation READ generation NOTIFY generationChanged)

    // The folder stack: breadcrumb labels in stack order ("Home" for the home folder, else the
    // folder's last name), its depth, the folders as file addresses, and the current folder (the last
    // one) as a file address and by its last name (the home folder's own name, not "Home").
    Q_PROPERTY(QStringList crumbLabels READ crumbLabels NOTIFY stackChanged)
    Q_PROPERTY(int stackDepth READ stackDepth NOTIFY stackChanged)
    Q_PROPERTY(QVariantList stack READ stackUrls NOTIFY stackChanged)
    Q_PROPERTY(QUrl current READ currentUrl NOTIFY stackChanged)
    Q_PROPERTY(QString currentName READ currentName NOTIFY stackChanged)
    Q_PROPERTY(QUrl home READ homeUrl CONSTANT)

    // The measured children of the current folder, one row each (see SizedEntryListModel for the
    // roles); sorted by size, largest first, after each repack, newcomers at the end in between.
    Q_PROPERTY(qm::SizedEntryListModel* entries READ entryList CONSTANT)
    Q_PROPERTY(int entryCount READ entryCount NOTIFY entriesChanged)
    // The bubble layout: one row per circle of the last repack, with the entry's values, its circle
    // (`centerX`, `centerY`, `radius` in layout units) and `order` (its position in the packer's list:
    // draw higher orders on top). An entry keeps its row from one layout to the next, so a delegate can
    // animate to its new place. `bubbleCount`: the entries given to the packer (at most 40; entries of
    // 0 bytes get no circle).
    Q_PROPERTY(qm::SizedEntryListModel* layout READ layoutList CONSTANT)
    Q_PROPERTY(int bubbleCount READ bubbleCount NOTIFY layoutChanged)

    Q_PROPERTY(bool scanning READ scanning NOTIFY scanningChanged)
    // The current folder itself could not be listed.
    Q_PROPERTY(bool currentUnreadable READ currentUnreadable NOTIFY currentUnreadableChanged)
    Q_PROPERTY(bool fullDiskAccessGranted READ fullDiskAccessGranted NOTIFY fullDiskAccessGrantedChanged)
    // Children measured and to measure in the current pass, and their ratio (0 while nothing is to
    // measure).
    Q_PROPERTY(int measured READ measured NOTIFY progressChanged)
    Q_PROPERTY(int totalToMeasure READ totalToMeasure NOTIFY progressChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)

    // The sum of the entries' bytes, the entries flagged unreadable, the total as the toolbar shows it
    // (the size text, "—" for 0 bytes with unreadable entries, else "0 KB") and the whole summary line
    // ("1.2 GB · 37 items · 2 can't be measured").
    Q_PROPERTY(qint64 total READ total NOTIFY entriesChanged)
    Q_PROPERTY(int unreadableCount READ unreadableCount NOTIFY entriesChanged)
    Q_PROPERTY(QString totalText READ totalText NOTIFY entriesChanged)
    Q_PROPERTY(QString summaryText READ summaryText NOTIFY entriesChanged)

    // Selected paths (in any folder), the effective selection's count (a selected item inside another
    // selected one is not counted) and its size text ("0 KB" when empty).
    Q_PROPERTY(int selectedCount READ selectedCount NOTIFY selectionChanged)
    Q_PROPERTY(int effectiveCount READ effectiveCount NOTIFY selectionChanged)
    Q_PROPERTY(QString formattedSelected READ formattedSelected NOTIFY selectionChanged)

    // An undo record is held, how many items it holds in the Trash, and their size text.
    Q_PROPERTY(bool hasLastReport READ hasLastReport NOTIFY lastReportChanged)
    Q_PROPERTY(int trashedCount READ trashedCount NOTIFY lastReportChanged)
    Q_PROPERTY(QString formattedFreed READ formattedFreed NOTIFY lastReportChanged)

    // Removals that moved at least one item; only grows (the page celebrates each change).
    Q_PROPERTY(int removeCompletions READ removeCompletions NOTIFY removeCompletionsChanged)
    // The last removal left the current folder without entries; cleared by the next load.
    Q_PROPERTY(bool justEmptiedByRemoval READ justEmptiedByRemoval NOTIFY justEmptiedByRemovalChanged)
    // A sizing pass has completed at least once.
    Q_PROPERTY(bool hasScanned READ hasScanned NOTIFY hasScannedChanged)
    // The removal confirmation is shown; set and cleared by the page.
    Q_PROPERTY(bool showConfirm READ showConfirm WRITE setShowConfirm NOTIFY showConfirmChanged)
    // The last removal's or undo's shortfall as one text for the failure alert, empty when none; the
    // page clears it when the alert is dismissed.
    Q_PROPERTY(QString failureNote READ failureNote WRITE setFailureNote NOTIFY failureNoteChanged)
    // A removal is under way.
    Q_PROPERTY(bool removing READ removing NOTIFY removingChanged)
    // An undo is moving items back out of the Trash, from its start until its result is applied.
    Q_PROPERTY(bool restoring READ restoring NOTIFY restoringChanged)

public:
    // What the model works on. Only `clock` is required; every other member left empty means the
    // real one. `clock` and `restoreTracker` must outlive the model.
    struct Services
    {
        // Throttles the repacks while entries stream in.
        Clock& clock;
        // The user's home folder: the first folder of the stack and the home of the removal rule
        // (default: FileSystem::homeDirectory()).
        Path home = {};
        // Where the removal rule's protected system folders lie (default "/"). The rule also protects
        // the places of the home (CleanupScanner::placesOf): its XDG homes and the user's folders.
        Path systemRoot = "/";
        // The sizer.
        std::optional<FileScanner> scanner = std::nullopt;
        // Where removed items go and come back from (default: the user's Trash).
        std::optional<Trash> trash = std::nullopt;
        // Whether the process may read the home folder (default: FullDiskAccess::isGranted for it);
        // called on the GUI thread, must be quick.
        std::function<bool()> fullDiskAccess = {};
        // The folder chooser (default: the desktop's).
        std::shared_ptr<FolderPicker> folderPicker = nullptr;
        // Shows a file in the file manager (default: the desktop's).
        std::shared_ptr<Workspace> workspace = nullptr;
        // Shared with the other modules that undo through the Trash (null: one of its own).
        RestoreTracker* restoreTracker = nullptr;
    };

    // Entries drawn as bubbles, padding between circles (layout units), and the repack throttle.
    static constexpr int kMaxBubbles = 40;
    static constexpr double kBubblePadding = 5.0;
    static constexpr std::chrono::milliseconds kRepackInterval{120};

    explicit SpaceLensViewModel(Services services, QObject* parent = nullptr);
    // Stops a running pass; pool work still running finishes on its own and is dropped.
    ~SpaceLensViewModel() override;

    // ---- state, as C++ sees it ----
    int generation() const { return m_session.generation(); }
    const std::vector<Path>& stack() const { return m_folders.folders(); }
    // The last folder of the stack; the home folder when the stack is empty.
    Path current() const;
    const Path& home() const { return m_home; }
    const std::vector<SizedEntry>& entries() const { return m_entries; }
    const std::vector<SizedEntry>& bubbles() const { return m_bubbles; }
    const std::vector<PackedCircle>& layout() const { return m_layout; }
    // Each entry's index in `entries` at the last repack (0 for the largest).
    const QHash<QUuid, int>& colorIndexByID() const { return m_colorIndexByID; }
    // The selection, keyed by the entry's path as listed (raw bytes).
    const std::map<Path::string_type, SelectedItem>& selected() const { return m_selected.items(); }
    const std::optional<CleanReport>& lastReport() const { return m_session.report(); }
    // The selected items less every one that lies inside another selected item, ordered by resolved
    // path (then by path as listed).
    std::vector<SelectedItem> effectiveSelection() const;

    // ---- QML-facing values ----
    QStringList crumbLabels() const;
    int stackDepth() const { return m_folders.depth(); }
    QVariantList stackUrls() const;
    QUrl currentUrl() const;
    QString currentName() const;
    QUrl homeUrl() const;
    SizedEntryListModel* entryList() const { return m_entryList.get(); }
    int entryCount() const { return int(m_entries.size()); }
    SizedEntryListModel* layoutList() const { return m_layoutList.get(); }
    int bubbleCount() const { return int(m_bubbles.size()); }
    bool scanning() const { return m_scanning; }
    bool currentUnreadable() const { return m_currentUnreadable; }
    bool fullDiskAccessGranted() const { return m_fullDiskAccessGranted; }
    int measured() const { return m_measured; }
    int totalToMeasure() const { return m_totalToMeasure; }
    double progress() const;
    qint64 total() const { return m_total; }
    int unreadableCount() const { return m_unreadableCount; }
    QString totalText() const;
    QString summaryText() const;
    int selectedCount() const { return m_selected.size(); }
    int effectiveCount() const { return int(effectiveSelection().size()); }
    QString formattedSelected() const;
    bool hasLastReport() const { return m_session.hasReport(); }
    int trashedCount() const { return hasLastReport() ? int(lastReport()->trashed.size()) : 0; }
    QString formattedFreed() const;
    int removeCompletions() const { return m_session.cleanCompletions(); }
    bool justEmptiedByRemoval() const { return m_justEmptiedByRemoval; }
    bool hasScanned() const { return m_hasScanned; }
    bool showConfirm() const { return m_showConfirm; }
    void setShowConfirm(bool show);
    QString failureNote() const { return m_session.failureNote(); }
    void setFailureNote(const QString& note);
    bool removing() const { return m_session.cleaning(); }
    bool restoring() const { return m_session.restoring(); }

    // ---- operations ----
    // Starts a fresh sizing pass of the current folder, superseding a running one. Ignored while
    // removing. Keeps the selection, the undo record and the stack.
    Q_INVOKABLE void load();
    // `load` when there are no entries and no pass runs (the page calls it when it comes on screen).
    Q_INVOKABLE void loadIfNeeded();
    // Probes Full Disk Access again; loads when it was off, is on now and no pass runs.
    Q_INVOKABLE void refreshFullDiskAccess();
    // A folder entry is pushed on the stack (even when already on it) and loaded; a file entry is
    // revealed in the file manager. Ignored while removing. The QML form takes the entry's id (an
    // id not among the entries does nothing).
    void open(const SizedEntry& entry);
    Q_INVOKABLE void open(const QString& entryId);
    // Breadcrumb navigation: cuts the stack back to its first index + 1 folders and loads. Ignored
    // while removing, for a negative index and for the current folder or beyond.
    Q_INVOKABLE void jump(int index);
    // The up button: drops the current folder and loads. Ignored while removing or at the root.
    Q_INVOKABLE void back();
    // Asks for another root folder; when one is picked (and no removal runs by then) the selection
    // and undo record are dropped, the stack becomes that folder and it loads. Ignored while removing;
    // a cancelled choice changes nothing.
    Q_INVOKABLE void choose();
    // Selects or deselects an entry the removal rule allows; does nothing for any other. The QML form
    // takes the entry's id.
    void toggleSelect(const SizedEntry& entry);
    Q_INVOKABLE void toggleSelect(const QString& entryId);
    // Empties the selection (the page's "Clear").
    Q_INVOKABLE void clearSelection();
    // Shows the entry `entryId` selected in the file manager (the bubble's "Show in File Manager").
    Q_INVOKABLE void reveal(const QString& entryId);
    // Whether the removal rule allows the entry at `path` (raw bytes) to be selected.
    bool isRemovable(const Path& path) const;
    // Moves the effective selection to the Trash (only what the removal rule still allows). Ignored
    // while removing or with nothing to move.
    Q_INVOKABLE void confirmRemove();
    // Moves every item of the undo record back (held to the root of the browsing, where the removals
    // were), then measures the current folder again unless the user moved on meanwhile; an undo that
    // ends during a removal measures once that removal has been applied. Ignored without a record,
    // while restoring and while the Trash is emptied.
    Q_INVOKABLE void undoLast();

    // The failure note of a removal: "3 items couldn't be moved to the Trash:", a line break and the
    // first failure line; nothing without failures.
    static std::optional<QString> removalNote(const CleanReport& report);
    // The shortfall note of an undo: "2 of 5 items couldn't be restored from the Trash — it may have
    // been permanently deleted."; nothing when every item came back or was skipped.
    static std::optional<QString> undoNote(const UndoResult& result);

signals:
    void generationChanged();
    void stackChanged();
    void entriesChanged();
    void layoutChanged();
    void scanningChanged();
    void currentUnreadableChanged();
    void fullDiskAccessGrantedChanged();
    void progressChanged();
    void selectionChanged();
    void lastReportChanged();
    void removeCompletionsChanged();
    void justEmptiedByRemovalChanged();
    void hasScannedChanged();
    void showConfirmChanged();
    void failureNoteChanged();
    void removingChanged();
    void restoringChanged();

private:
    void setScanning(bool value);
    void setCurrentUnreadable(bool value);
    void setFullDiskAccessGranted(bool value);
    void setProgress(int measured, int totalToMeasure);
    void setJustEmptiedByRemoval(bool value);
    // Announces the stack (and so the current folder) as changed.
    void publishStack();
    SizedEntryListModel::Row rowOf(const SizedEntry& entry) const;
    void publishSelection();
    void clearEntries();
    // Sums the entries' bytes and unreadable flags afresh.
    void recount();
    void endPass(int generation, const std::stop_source& stop, bool unreadable);
    // One measured child arrives; `removable` is the removal rule's answer for it.
    void add(const SizedEntry& entry, bool removable);
    void repack();
    const SizedEntry* entryById(const QString& entryId) const;
    Workspace& workspace() const;
    void applyChoice(const std::optional<Path>& folder);
    Path lensRoot() const;
    void applyRemoval(const CleanReport& report, bool current);

    Clock& m_clock;
    FileScanner m_scanner;
    Trash m_trash;
    std::function<bool()> m_fullDiskAccess;
    std::shared_ptr<FolderPicker> m_picker;
    mutable std::shared_ptr<Workspace> m_workspace;
    // The removal, the undo record (kept across folders until another one is chosen), the restore and
    // the failure note; its generation counts the sizing passes.
    TrashSession m_session;
    Path m_home;
    Path m_systemRoot;
    Places m_places; // of the home under the system root: what the removal rule protects

    // The folders opened, from the root of the browsing to the current one.
    FolderStack m_folders;
    std::vector<SizedEntry> m_entries;
    std::vector<SizedEntry> m_bubbles;
    std::vector<PackedCircle> m_layout;
    QHash<QUuid, int> m_colorIndexByID;
    QHash<QUuid, bool> m_removable;
    qint64 m_total = 0;        // kept with `m_entries`, so a streamed entry costs no pass over the list
    int m_unreadableCount = 0; // the removal rule's answer for each entry, asked once on arrival
    std::unique_ptr<SizedEntryListModel> m_entryList;
    std::unique_ptr<SizedEntryListModel> m_layoutList;
    bool m_scanning = false;
    bool m_currentUnreadable = false;
    bool m_fullDiskAccessGranted = false;
    int m_measured = 0;
    int m_totalToMeasure = 0;
    // The selected entries, in any folder below the root of the browsing.
    NestedSelection m_selected;
    bool m_justEmptiedByRemoval = false;
    bool m_hasScanned = false;
    bool m_showConfirm = false;

    std::shared_ptr<std::stop_source> m_passStop;
    // When entries streaming in repack the bubbles, and what a repack makes of them.
    BubbleRepack m_repack{kRepackInterval, std::size_t(kMaxBubbles), kBubblePadding};
    // The generation an undo that ended during a removal reloads, once that removal is applied.
    std::optional<int> m_reloadAfterRemoval;
};

} // namespace qm
