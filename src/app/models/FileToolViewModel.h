#pragma once

#include "app/models/RestoreTracker.h"
#include "app/models/TrashSession.h"
#include "core/files/FileEntry.h"
#include "core/model/CleanReport.h"
#include "core/model/ScanItem.h"
#include "platform/FolderPicker.h"
#include "platform/Trash.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <vector>

namespace qm {

// What the Duplicates and Large & Old models share: the folder searched and the one of the latest
// search, the phase, the chosen files' count and size, moving them to the Trash and undoing that
// (successive cleans after one search merge into one undo record), the failure note and the Full Disk
// Access state. A tool supplies its search, its list of results and what a clean prunes from it. Lives
// on the GUI thread and never blocks it: the search, the clean and the undo run on the thread pool, and
// each result is applied only while the generation it started with still holds. While an undo runs
// (`restoring`, holding the shared restore tracker's token) no search, clean or folder change starts;
// the undo ends with a fresh search.
class FileToolViewModel : public QObject
{
    Q_OBJECT
    QML_ANONYMOUS

    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    // The phase's name ("idle", "scanning", "results"), as QML compares it.
    Q_PROPERTY(QString phaseName READ phaseName NOTIFY phaseChanged)
    // The folder the next search covers, as a file address.
    Q_PROPERTY(QUrl root READ rootUrl NOTIFY rootChanged)
    // The same folder's path as display text (bytes that are not UTF-8 shown as replacement marks).
    Q_PROPERTY(QString rootPath READ rootPath NOTIFY rootChanged)
    Q_PROPERTY(bool scanIncomplete READ scanIncomplete NOTIFY scanIncompleteChanged)
    // An undo record is held (the moves since the last search can be taken back), with its freed-space
    // text and the number of its items in the Trash (empty and 0 without one).
    Q_PROPERTY(bool hasUndo READ hasUndo NOTIFY lastReportChanged)
    Q_PROPERTY(QString formattedFreed READ formattedFreed NOTIFY lastReportChanged)
    Q_PROPERTY(int trashedCount READ trashedCount NOTIFY lastReportChanged)
    Q_PROPERTY(bool showConfirm READ showConfirm WRITE setShowConfirm NOTIFY showConfirmChanged)
    Q_PROPERTY(bool cleaning READ cleaning NOTIFY cleaningChanged)
    // Moving items back out of the Trash, from the undo's start until its result is applied.
    Q_PROPERTY(bool restoring READ restoring NOTIFY restoringChanged)
    // A failure sentence to show once; the page clears it when its alert is dismissed.
    Q_PROPERTY(QString failureNote READ failureNote WRITE setFailureNote NOTIFY failureNoteChanged)
    Q_PROPERTY(bool fullDiskAccessGranted READ fullDiskAccessGranted NOTIFY fullDiskAccessGrantedChanged)
    // How many files are chosen (linked ones never count) and their size ("0 KB" when none).
    Q_PROPERTY(int selectedCount READ selectedCount NOTIFY selectionChanged)
    Q_PROPERTY(QString formattedSelected READ formattedSelected NOTIFY selectionChanged)

public:
    enum class Phase { idle, scanning, results };
    Q_ENUM(Phase)

    // Stops a running search; pool work still running finishes on its own and is dropped.
    ~FileToolViewModel() override;

    Phase phase() const { return m_phase; }
    QString phaseName() const;
    const Path& root() const { return m_root; }
    const Path& scannedRoot() const { return m_scannedRoot; }
    QUrl rootUrl() const;
    QString rootPath() const;
    bool scanIncomplete() const { return m_scanIncomplete; }
    const std::optional<CleanReport>& lastReport() const { return m_session.report(); }
    bool hasUndo() const { return m_session.hasReport(); }
    QString formattedFreed() const;
    int trashedCount() const;
    bool showConfirm() const { return m_showConfirm; }
    void setShowConfirm(bool show);
    bool cleaning() const { return m_session.cleaning(); }
    bool restoring() const { return m_session.restoring(); }
    QString failureNote() const { return m_session.failureNote(); }
    void setFailureNote(const QString& note);
    bool fullDiskAccessGranted() const { return m_fullDiskAccessGranted; }
    // The number of the newest search or folder change; 0 at creation.
    int generation() const { return m_session.generation(); }

    // Every chosen file that frees space when moved (linked copies never do), in list order.
    std::vector<FileEntry> selectedFiles() const;
    int selectedCount() const;
    QString formattedSelected() const;

    // Asks the folder picker for another folder; a different one resets the tool to `idle` and drops
    // the undo record. Ignored while cleaning or restoring, also when the answer comes.
    Q_INVOKABLE void chooseFolder();
    // Starts a search of `root`, stopping a running one and dropping the undo record. Ignored while
    // cleaning or restoring.
    Q_INVOKABLE void scan();
    // Stops the running search; back to `results` with results, else `idle`.
    Q_INVOKABLE void cancel();
    // Asks the probe again whether Full Disk Access is granted (the screen calls it whenever the
    // application becomes active).
    Q_INVOKABLE void refreshFullDiskAccess();
    // Moves the selected files to the Trash. Ignored while cleaning or restoring, or with none.
    Q_INVOKABLE void confirmClean();
    // Moves the undo record's files back, then searches again. Ignored while cleaning or restoring,
    // while the Trash is emptied, or with no record.
    Q_INVOKABLE void undoLast();

signals:
    void phaseChanged();
    void rootChanged();
    // The chosen files changed: a toggle, or new or pruned results.
    void selectionChanged();
    void scanIncompleteChanged();
    void lastReportChanged();
    void showConfirmChanged();
    void cleaningChanged();
    void restoringChanged();
    void failureNoteChanged();
    void fullDiskAccessGrantedChanged();

protected:
    // What a tool hands over; empty members mean the real ones (the user's home, the user's Trash,
    // `FullDiskAccess::isGranted` for the home, the desktop's folder dialog, a tracker of its own).
    struct Common
    {
        Path home;
        std::optional<Trash> trash;
        std::function<bool()> fullDiskAccess;
        std::shared_ptr<FolderPicker> folderPicker;
        RestoreTracker* restoreTracker = nullptr;
        // The folder chooser's title.
        QString chooseMessage;
    };
    explicit FileToolViewModel(Common common, QObject* parent);

    // Calls `visit` with every chosen file that frees space, in list order.
    virtual void forEachChosen(const std::function<void(const FileEntry&)>& visit) const = 0;
    // Whether any result is listed.
    virtual bool hasResults() const = 0;
    // Empties the list of results.
    virtual void clearResults() = 0;
    // Resets what the tool shows of a search under way; called as a search starts.
    virtual void searchStarting() {}
    // Runs the search of `folder` on the pool and applies its result while `generation` holds and
    // `stop` was not requested.
    virtual void runSearch(int generation, std::shared_ptr<std::stop_source> stop, const Path& folder) = 0;
    // A clean of `items` starts.
    virtual void cleanStarting(const std::vector<ScanItem>& items) { (void)items; }
    // The clean has ended, before anything else is applied.
    virtual void cleanEnding() {}
    // Takes the files at `trashed` (raw path bytes) out of the results, after a clean of the current
    // generation; announces its own list change.
    virtual void prune(const std::set<Path::string_type>& trashed) = 0;

    void setPhase(Phase phase);
    void setScanIncomplete(bool value);

private:
    void setRoot(const Path& root);
    void setFullDiskAccessGranted(bool value);
    void applyFolder(const std::optional<Path>& folder);
    void applyClean(const CleanReport& report, bool current);
    void stopSearch();

    Trash m_trash;
    std::function<bool()> m_fullDiskAccess;
    std::shared_ptr<FolderPicker> m_picker;
    QString m_chooseMessage;
    // The clean, the undo record (held until the next search or folder change), the restore and the
    // failure note.
    TrashSession m_session;

    Phase m_phase = Phase::idle;
    Path m_root;
    Path m_scannedRoot;
    bool m_scanIncomplete = false;
    bool m_showConfirm = false;
    bool m_fullDiskAccessGranted = false;
    std::shared_ptr<std::stop_source> m_searchStop;
};

} // namespace qm
