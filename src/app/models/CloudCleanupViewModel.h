#pragma once

#include "core/cloud/CloudCleanup.h"
#include "core/cloud/CloudItem.h"
#include "core/cloud/CloudScanner.h"
#include "platform/CloudDrive.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <vector>

namespace qm {

// The model of the Cloud Cleanup page: measures the top-level items of the cloud drive's folder
// (what each keeps on this machine and in the cloud), holds the user's selection as a set of item
// ids, and, once confirmed, evicts the selected items' local copies and measures again to report what
// was freed, exactly or as an upper bound. Nothing goes to the Trash and nothing is deleted from the
// cloud. Lives on the GUI thread and never blocks it: a scan or an eviction run is one job on the
// global thread pool with copies of its inputs; every new run bumps `generation`, and a result or a
// progress report of an older run is dropped. Without a cloud provider (this machine) the page stays
// `unavailable` and nothing is listed or evicted.
class CloudCleanupViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    // The phase by name, for the page: "checking", "unavailable", "scanning" or "results".
    Q_PROPERTY(QString phaseName READ phaseName NOTIFY phaseChanged)
    // The last scan's items, largest local size first: one map per item with `id` (the UUID without
    // braces), `name` (display text), `isDirectory`, `localBytes`, `localText`, `cloudBytes` and
    // `fraction`. Replaced only by a scan; the selection is `selectedIds`.
    Q_PROPERTY(QVariantList items READ itemList NOTIFY itemsChanged)
    // Ids (without braces) of the items chosen for freeing, in list order.
    Q_PROPERTY(QStringList selectedIds READ selectedIds NOTIFY selectionChanged)
    // Top-level entries measured so far and listed in the running scan; `progress` is their ratio (0
    // until listed), `progressText` "Reading your cloud drive…" or "Measuring your cloud drive… 3 of 12".
    Q_PROPERTY(int scanned READ scanned NOTIFY progressChanged)
    Q_PROPERTY(int total READ total NOTIFY progressChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString progressText READ progressText NOTIFY progressChanged)
    // Bytes the last eviction run freed (`hasLastFreed` false: none to show), and whether that figure
    // is exact rather than an upper bound.
    Q_PROPERTY(bool hasLastFreed READ hasLastFreed NOTIFY lastFreedChanged)
    Q_PROPERTY(qint64 lastFreed READ lastFreedBytes NOTIFY lastFreedChanged)
    Q_PROPERTY(bool lastFreedExact READ lastFreedExact NOTIFY lastFreedChanged)
    // Eviction runs that freed at least 1 byte; the page plays its celebration on each increase.
    Q_PROPERTY(int freeCompletions READ freeCompletions NOTIFY freeCompletionsChanged)
    Q_PROPERTY(bool freeing READ freeing NOTIFY freeingChanged)
    // The confirmation is shown; set by `requestFree`, cleared by the page when it closes.
    Q_PROPERTY(bool showConfirm READ showConfirm WRITE setShowConfirm NOTIFY showConfirmChanged)
    // The sentence of the failure alert, empty for none; the page clears it when the alert closes.
    Q_PROPERTY(QString failureNote READ failureNote WRITE setFailureNote NOTIFY failureNoteChanged)
    // The last scan met folders it could not read whole.
    Q_PROPERTY(bool scanPartial READ scanPartial NOTIFY itemsChanged)
    // Sums over the items: local bytes, items with a local copy, and the summary line ("3.2 GB
    // downloaded locally · 4 of 9 items on this Mac").
    Q_PROPERTY(qint64 totalLocal READ totalLocal NOTIFY itemsChanged)
    Q_PROPERTY(int downloadedCount READ downloadedCount NOTIFY itemsChanged)
    Q_PROPERTY(QString summaryText READ summaryText NOTIFY itemsChanged)
    // The selection: its count, its local bytes as text ("0 KB" for none), the confirmation's title
    // ("Free 3 items locally?") and button ("Free 1.2 GB locally").
    Q_PROPERTY(int selectedCount READ selectedCount NOTIFY selectionChanged)
    Q_PROPERTY(QString formattedSelected READ formattedSelected NOTIFY selectionChanged)
    Q_PROPERTY(QString confirmTitle READ confirmTitle NOTIFY selectionChanged)
    Q_PROPERTY(QString confirmButtonText READ confirmButtonText NOTIFY selectionChanged)
    // Which bar sits at the bottom ("freeing", "selection", "freed" or "none") and its two texts.
    Q_PROPERTY(QString bottomBar READ bottomBar NOTIFY bottomBarChanged)
    Q_PROPERTY(QString barTitle READ barTitle NOTIFY bottomBarChanged)
    Q_PROPERTY(QString barSubtitle READ barSubtitle NOTIFY bottomBarChanged)
    // The header offers "Re-scan": results are shown and no eviction runs.
    Q_PROPERTY(bool canRescan READ canRescan NOTIFY canRescanChanged)
    // The number of the newest scan or eviction run; 0 before the first.
    Q_PROPERTY(int generation READ generation NOTIFY generationChanged)

public:
    // `checking`: nothing known yet; `unavailable`: no cloud drive folder here.
    enum class Phase { checking, unavailable, scanning, results };
    Q_ENUM(Phase)

    // What the model works on; empty members mean the real ones.
    struct Services
    {
        // Where the drive's folder is, which files are placeholders or uploaded, and eviction
        // (default: this machine's, which has no provider).
        std::shared_ptr<const CloudDrive> drive = nullptr;
        // Listing and status of the drive's entries (tests pass one with a hook).
        std::optional<FileSystem> fileManager = std::nullopt;
    };

    // With the real drive and file system.
    explicit CloudCleanupViewModel(QObject* parent = nullptr);
    explicit CloudCleanupViewModel(Services services, QObject* parent = nullptr);
    // Stops the running job; what it still posts is dropped.
    ~CloudCleanupViewModel() override;

    Phase phase() const { return m_phase; }
    QString phaseName() const;
    const std::vector<CloudItem>& items() const { return m_items; }
    QVariantList itemList() const { return m_itemList; }
    const std::set<QUuid>& selected() const { return m_selected; }
    QStringList selectedIds() const;
    int scanned() const { return m_scanned; }
    int total() const { return m_total; }
    double progress() const;
    QString progressText() const;
    const std::optional<qint64>& lastFreed() const { return m_lastFreed; }
    bool hasLastFreed() const { return m_lastFreed.has_value(); }
    qint64 lastFreedBytes() const { return m_lastFreed.value_or(0); }
    bool lastFreedExact() const { return m_lastFreedExact; }
    int freeCompletions() const { return m_freeCompletions; }
    bool freeing() const { return m_freeing; }
    bool showConfirm() const { return m_showConfirm; }
    void setShowConfirm(bool show);
    QString failureNote() const { return m_failureNote; }
    // Clearing it (the empty text) is what the failure alert does when it closes.
    void setFailureNote(const QString& note);
    bool scanPartial() const { return m_scanPartial; }
    qint64 totalLocal() const;
    int downloadedCount() const;
    // The items whose id is selected, in list order.
    std::vector<CloudItem> selectedItems() const;
    int selectedCount() const { return int(selectedItems().size()); }
    QString summaryText() const;
    QString formattedSelected() const;
    QString confirmTitle() const;
    QString confirmButtonText() const;
    QString bottomBar() const;
    QString barTitle() const;
    QString barSubtitle() const;
    bool canRescan() const { return m_phase == Phase::results && !m_freeing; }
    int generation() const { return m_generation; }

    // Called each time the page is shown: scans while nothing has been listed and the phase is
    // `checking` or `unavailable` (`unavailable` again when the drive has no folder); otherwise does
    // nothing, so results are not measured again by coming back.
    Q_INVOKABLE void start();
    // Starts a fresh scan, replacing (and stopping) a running one and clearing the selection and the
    // freed figure; the list empties until it ends. Ignored while freeing (whatever the folder does
    // meanwhile); without a folder it only sets `unavailable`. Returns at once.
    Q_INVOKABLE void scan();
    // Adds the item to the selection or takes it out. Unknown ids and items without local bytes
    // change nothing.
    Q_INVOKABLE void toggle(const QString& id);
    void toggle(const QUuid& id);
    // Empties the selection ("Clear").
    Q_INVOKABLE void clearSelection();
    // Asks for confirmation when something is selected.
    Q_INVOKABLE void requestFree();
    // Evicts the selected items' local copies, measures the folder again and publishes what was
    // freed (or why nothing was). Ignored with nothing selected or while freeing. Returns at once.
    Q_INVOKABLE void confirmFree();
    // Puts the freed figure away ("Done").
    Q_INVOKABLE void dismissFreed();

signals:
    void phaseChanged();
    void itemsChanged();
    void selectionChanged();
    void progressChanged();
    void lastFreedChanged();
    void freeCompletionsChanged();
    void freeingChanged();
    void showConfirmChanged();
    void failureNoteChanged();
    void bottomBarChanged();
    void canRescanChanged();
    void generationChanged();

private:
    // The drive's folder when it has one and something exists there.
    std::optional<Path> existingRoot() const;
    CloudScanner scannerFor(const Path& root) const;
    void setPhase(Phase phase);
    void setItems(std::vector<CloudItem> items, bool partial);
    void setSelected(std::set<QUuid> selected);
    void setProgress(int scanned, int total);
    void setLastFreed(std::optional<qint64> bytes, bool exact);
    void setFreeing(bool freeing);
    void bumpGeneration();
    void applyProgress(int generation, int done, int total);
    void applyScan(int generation, const std::shared_ptr<std::stop_source>& stop, CloudScanner::Scan scan);
    void applyFree(int generation, const CloudCleanup::LocalBytesByPath& before, CloudScanner::Scan after);

    std::shared_ptr<const CloudDrive> m_drive;
    FileSystem m_fileManager;

    Phase m_phase = Phase::checking;
    std::vector<CloudItem> m_items;
    QVariantList m_itemList;
    std::set<QUuid> m_selected;
    int m_scanned = 0;
    int m_total = 0;
    std::optional<qint64> m_lastFreed;
    bool m_lastFreedExact = true;
    int m_freeCompletions = 0;
    bool m_freeing = false;
    bool m_showConfirm = false;
    QString m_failureNote;
    bool m_scanPartial = false;

    // The folder the shown items were measured in; evictions and their re-scan work there.
    Path m_root;
    // The running job's stop source (kept after it ends; replaced by the next run).
    std::shared_ptr<std::stop_source> m_stop;
    int m_generation = 0;
};

} // namespace qm
