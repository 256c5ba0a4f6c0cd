#pragma once

#include "app/models/DuplicateGroupListModel.h"
#include "app/models/FileToolViewModel.h"
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

// The model of the Duplicates tool: the running search for byte-identical files of at least 1 MB and
// the groups found with the user's choice of copies (one copy of every group always stays unchosen),
// over what every file tool does (`FileToolViewModel`).
class DuplicatesViewModel : public FileToolViewModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

    // The groups as a list model that changes in place (a toggle announces one group).
    Q_PROPERTY(qm::DuplicateGroupListModel* groups READ groupList CONSTANT)
    Q_PROPERTY(int groupCount READ groupCount NOTIFY groupsChanged)
    Q_PROPERTY(QString progressLabel READ progressLabel NOTIFY progressLabelChanged)
    // The space all redundant copies take, in bytes.
    Q_PROPERTY(qint64 totalWasted READ totalWasted NOTIFY groupsChanged)

public:
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

    const std::vector<DuplicateGroup>& groups() const { return m_groups.groups(); }
    DuplicateGroupListModel* groupList() { return &m_groups; }
    int groupCount() const { return m_groups.count(); }
    QString progressLabel() const { return m_progressLabel; }
    qint64 totalWasted() const;

    // Flips the selection of one file; selecting is refused when every other copy of its group is
    // already selected or being moved by the running clean. Unknown ids change nothing.
    Q_INVOKABLE void toggle(const QUuid& id);
    // The same, given the id as text (with or without braces), as QML has it.
    Q_INVOKABLE void toggle(const QString& id) { toggle(QUuid::fromString(id)); }

signals:
    // A search, a folder change or a clean replaced or pruned the groups.
    void groupsChanged();
    void progressLabelChanged();

private:
    void forEachChosen(const std::function<void(const FileEntry&)>& visit) const override;
    bool hasResults() const override { return !groups().empty(); }
    void clearResults() override;
    void searchStarting() override;
    void runSearch(int generation, std::shared_ptr<std::stop_source> stop, const Path& folder) override;
    void cleanStarting(const std::vector<ScanItem>& items) override;
    void cleanEnding() override { m_leaving.clear(); }
    void prune(const std::set<Path::string_type>& trashed) override;
    void setGroups(std::vector<DuplicateGroup> groups);
    void setProgressLabel(const QString& label);

    FileScanner m_scanner;
    DuplicateGroupListModel m_groups;
    QString m_progressLabel;
    // The paths the running clean moves (raw bytes); empty while no clean runs.
    std::set<Path::string_type> m_leaving;
};

} // namespace qm
