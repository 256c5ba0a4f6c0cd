#pragma once

#include "app/models/FileEntryListModel.h"
#include "app/models/FileToolViewModel.h"
#include "app/models/RestoreTracker.h"
#include "core/files/FileScanner.h"
#include "core/model/CleanReport.h"
#include "platform/FolderPicker.h"
#include "platform/Trash.h"

#include <QObject>
#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

class Clock;

// The model of the Large & Old tool: the size and age thresholds, the running search and its live
// count (published at most every 0.15 s) and the files found with the user's choice, over what every
// file tool does (`FileToolViewModel`).
class LargeFilesViewModel : public FileToolViewModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

    // The thresholds of the next search: megabytes of 1,000,000 bytes, and months (0: any age).
    Q_PROPERTY(double minMB READ minMB WRITE setMinMB NOTIFY minMBChanged)
    Q_PROPERTY(
        int olderThanMonths READ olderThanMonths WRITE setOlderThanMonths NOTIFY olderThanMonthsChanged)
    // The files found, largest first, as a list model that changes in place (a toggle announces one
    // row), and their number.
    Q_PROPERTY(qm::FileEntryListModel* files READ fileList CONSTANT)
    Q_PROPERTY(int fileCount READ fileCount NOTIFY filesChanged)
    // Entries the running search has visited, as last published.
    Q_PROPERTY(qint64 scannedCount READ scannedCount NOTIFY scannedCountChanged)

public:
    // What the model works on. Only `clock` is required; every other member left empty means the
    // real one. `clock` and `restoreTracker` must outlive the model.
    struct Services
    {
        Clock& clock;
        // The user's home folder: the first `root` (default: FileSystem::homeDirectory()).
        Path home = {};
        // The engine the searches run on.
        std::optional<FileScanner> scanner = std::nullopt;
        // The search itself, given the folder, the byte threshold, the age argument, the count sink
        // and the stop token (default: the scanner's `scanLargeFiles`). Runs on a pool thread.
        std::function<FileScanner::LargeFiles(const Path&, qint64, std::optional<int>,
                                              const FileScanner::VisitSink&, std::stop_token)>
            search = {};
        // Where cleaned files go and come back from (default: the user's Trash).
        std::optional<Trash> trash = std::nullopt;
        // Whether the process has Full Disk Access; called on the GUI thread, must be quick.
        std::function<bool()> fullDiskAccess = {};
        // The folder chooser (default: the desktop's).
        std::shared_ptr<FolderPicker> folderPicker = nullptr;
        // Shared with the other modules that undo through the Trash (null: one of its own).
        RestoreTracker* restoreTracker = nullptr;
    };

    explicit LargeFilesViewModel(Services services, QObject* parent = nullptr);

    double minMB() const { return m_minMB; }
    // Applies to the next search only.
    void setMinMB(double value);
    int olderThanMonths() const { return m_olderThanMonths; }
    void setOlderThanMonths(int months);
    const std::vector<FileEntry>& files() const { return m_files.rows(); }
    FileEntryListModel* fileList() { return &m_files; }
    int fileCount() const { return m_files.count(); }
    qint64 scannedCount() const { return m_scannedCount; }

    // Flips the selection of one file. Unknown ids change nothing.
    Q_INVOKABLE void toggle(const QUuid& id);
    // The same, given the id as text (with or without braces), as QML has it.
    Q_INVOKABLE void toggle(const QString& id) { toggle(QUuid::fromString(id)); }

signals:
    void minMBChanged();
    void olderThanMonthsChanged();
    // A search, a folder change or a clean replaced or pruned the files.
    void filesChanged();
    void scannedCountChanged();

private:
    using Search = std::function<FileScanner::LargeFiles(const Path&, qint64, std::optional<int>,
                                                         const FileScanner::VisitSink&, std::stop_token)>;

    void forEachChosen(const std::function<void(const FileEntry&)>& visit) const override;
    bool hasResults() const override { return !files().empty(); }
    void clearResults() override;
    void searchStarting() override;
    void runSearch(int generation, std::shared_ptr<std::stop_source> stop, const Path& folder) override;
    void prune(const std::set<Path::string_type>& trashed) override;
    void setFiles(std::vector<FileEntry> files);
    void applyCount(qint64 count);

    Clock& m_clock;
    Search m_search;
    double m_minMB = 100.0;
    int m_olderThanMonths = 0;
    FileEntryListModel m_files;
    qint64 m_scannedCount = 0;
    std::optional<std::chrono::steady_clock::time_point> m_lastCountUpdate;
};

} // namespace qm
