#pragma once

#include "app/models/DuplicateGroupListModel.h"
#include "app/models/RestoreTracker.h"
#include "core/files/DuplicateGroup.h"
#include "core/files/FileScanner.h"
#include "core/model/CleanReport.h"
#include "platform/FolderPicker.h"
#include "platform/Trash.h"

#include <QObject>
#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <vector>

namespace qm {

class Clock;

// The model of the Duplicates tool: the folder searched, the running search for byte-identical files
// of at least 1 MB, the groups found with the user's choice of copies (one copy of every group always
// stays unchosen), moving the chosen copies to the Trash and undoing that (successive cleans after one
// search merge into one undo record). Lives on the GUI thread and never blocks it: the search, the
// clean and the undo run on the thread pool, and each result is applied only while the generation it
// started with still holds. While an undo runs (`restoring`, holding the shared restore tracker's
// token) no search, clean or folder change starts; the undo ends with a fresh search.
class DuplicatesViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    // The phase's name ("idle", "scanning", "results"), as QML compares it.
    Q_PROPERTY(QString phaseName READ phaseName NOTIFY phaseChanged)
    // The folder the next search covers, and the folder of the latest search start, as file addresses.
    Q_PROPERTY(QUrl root READ rootUrl NOTIFY rootChanged)
    // The same folder's path as display text (bytes that are not UTF-8 shown as replacement marks).
    Q_PROPERTY(QString rootPath READ rootPath NOTIFY rootChanged)
    // The groups as a list model that changes in place (a toggle announces one group).
    Q_PROPERTY(qm::DuplicateGroupListModel* groups READ groupList CONSTANT)
    Q_PROPERTY(int groupCount READ groupCount NOTIFY groupsChanged)
    Q_PROPERTY(QString progressLabel READ progressLabel NOTIFY progressLabelChanged)
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
    // How many copies are chosen (linked ones never count), their size ("0 KB" when none), and the
    // space all redundant copies take, in bytes.
    Q_PROPERTY(int selectedCount READ selectedCount NOTIFY selectionChanged)
    Q_PROPERTY(QString formattedSelected READ formattedSelected NOTIFY selectionChanged)
    Q_PROPERTY(qint64 totalWasted READ totalWasted NOTIFY groupsChanged)

public:
    enum class Phase { idle, scanning, results };
    Q_ENUM(Phase)

    // What the model works on. Only `clock` is required, so both file tools are made alike (this one
    // times nothing); every other member left empty means the real one. `restoreTracker` must
    // outlive the model.
    struct Services
    {
        Clock& clock;
        // The user's home folder: the first `root` (default: FileSystem::homeDirectory()).
        Path home = {};
        // The finder the searches run on.
        std::optional<FileScanner> scanner = std::nullopt;
        // Where cleaned files go and come back from (default: the user's Trash).
        std::optional<Trash> trash = std::nullopt;
        // Whether the process has Full Disk Access; called on the GUI thread, must be quick.
        std::function<bool()> fullDiskAccess = {};
        // The folder chooser (default: the desktop's).
        std::shared_ptr<FolderPicker> folderPicker = nullptr;
        // Shared with the other modules that undo through the Trash (null: one of its own).
        RestoreTracker* restoreTracker = nullptr;
    };

    // The smallest file the search considers, in bytes.
    static constexpr qint64 kMinBytes = 1'000'000;

    explicit DuplicatesViewModel(Services services, QObject* parent = nullptr);
    // Stops a running search; pool work still running finishes on its own and is dropped.
    ~DuplicatesViewModel() override;

    Phase phase() const { return m_phase; }
    QString phaseName() const;
    const Path& root() const { return m_root; }
    const Path& scannedRoot() const { return m_scannedRoot; }
    QUrl rootUrl() const;
    QString rootPath() const;
    const std::vector<DuplicateGroup>& groups() const { return m_groups.groups(); }
    DuplicateGroupListModel* groupList() { return &m_groups; }
    int groupCount() const { return m_groups.count(); }
    QString progressLabel() const { return m_progressLabel; }
    bool scanIncomplete() const { return m_scanIncomplete; }
    const std::optional<CleanReport>& lastReport() const { return m_lastReport; }
    bool hasUndo() const { return m_lastReport.has_value(); }
    QString formattedFreed() const;
    int trashedCount() const;
    bool showConfirm() const { return m_showConfirm; }
    void setShowConfirm(bool show);
    bool cleaning() const { return m_cleaning; }
    bool restoring() const { return m_restoreToken.held(); }
    QString failureNote() const { return m_failureNote; }
    void setFailureNote(const QString& note);
    bool fullDiskAccessGranted() const { return m_fullDiskAccessGranted; }
    // The number of the newest search or folder change; 0 at creation.
    int generation() const { return m_generation; }

    // Every selected file that does not share its storage, in group and file order.
    std::vector<FileEntry> selectedFiles() const;
    int selectedCount() const;
    QString formattedSelected() const;
    qint64 totalWasted() const;

    // Asks the folder picker for another folder; a different one resets the tool to `idle` and drops
    // the undo record. Ignored while cleaning or restoring, also when the answer comes.
    Q_INVOKABLE void chooseFolder();
    // Starts a search of `root`, stopping a running one and dropping the undo record. Ignored while
    // cleaning or restoring.
    Q_INVOKABLE void scan();
    // Stops the running search; back to `results` with groups, else `idle`.
    Q_INVOKABLE void cancel();
    // Asks the probe again whether Full Disk Access is granted (the screen calls it whenever the
    // application becomes active).
    Q_INVOKABLE void refreshFullDiskAccess();
    // Flips the selection of one file; selecting is refused when every other copy of its group is
    // already selected or being moved by the running clean. Unknown ids change nothing.
    Q_INVOKABLE void toggle(const QUuid& id);
    // The same, given the id as text (with or without braces), as QML has it.
    Q_INVOKABLE void toggle(const QString& id) { toggle(QUuid::fromString(id)); }
    // Moves the selected files to the Trash. Ignored while cleaning or restoring, or with none.
    Q_INVOKABLE void confirmClean();
    // Moves the undo record's files back, then searches again. Ignored while cleaning or restoring,
    // while the Trash is emptied, or with no record.
    Q_INVOKABLE void undoLast();

signals:
    void phaseChanged();
    void rootChanged();
    // A search, a folder change or a clean replaced or pruned the groups.
    void groupsChanged();
    // The chosen copies changed: a toggle, or new or pruned groups.
    void selectionChanged();
    void progressLabelChanged();
    void scanIncompleteChanged();
    void lastReportChanged();
    void showConfirmChanged();
    void cleaningChanged();
    void restoringChanged();
    void failureNoteChanged();
    void fullDiskAccessGrantedChanged();

private:
    void setPhase(Phase phase);
    void setRoot(const Path& root);
    void setGroups(std::vector<DuplicateGroup> groups);
    void setProgressLabel(const QString& label);
    void setScanIncomplete(bool value);
    void setLastReport(std::optional<CleanReport> report);
    void setCleaning(bool value);
    void setRestoring(bool value);
    void setFullDiskAccessGranted(bool value);
    void applyFolder(const std::optional<Path>& folder);
    void applyClean(int generation, const CleanReport& report);
    void stopSearch();

    FileScanner m_scanner;
    Trash m_trash;
    std::function<bool()> m_fullDiskAccess;
    std::shared_ptr<FolderPicker> m_picker;
    std::unique_ptr<RestoreTracker> m_ownTracker;
    RestoreTracker* m_tracker = nullptr;
    RestoreTracker::Token m_restoreToken;

    Phase m_phase = Phase::idle;
    Path m_root;
    Path m_scannedRoot;
    DuplicateGroupListModel m_groups;
    QString m_progressLabel;
    bool m_scanIncomplete = false;
    std::optional<CleanReport> m_lastReport;
    bool m_showConfirm = false;
    bool m_cleaning = false;
    // The paths the running clean moves (raw bytes); empty while no clean runs.
    std::set<Path::string_type> m_leaving;
    QString m_failureNote;
    bool m_fullDiskAccessGranted = false;

    std::shared_ptr<std::stop_source> m_searchStop;
    int m_generation = 0;
};

} // namespace qm
