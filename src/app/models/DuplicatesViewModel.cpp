#include "app/models/DuplicatesViewModel.h"

#include "app/models/PostToModel.h"
#include "app/models/PublishedValue.h"
#include "core/files/DuplicateFinder.h"

#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <utility>

namespace qm {

DuplicatesViewModel::DuplicatesViewModel(Services services, QObject* parent)
    : FileToolViewModel(Common{std::move(services.home), std::move(services.trash),
                               std::move(services.fullDiskAccess), std::move(services.folderPicker),
                               services.restoreTracker,
                               QStringLiteral("Choose a folder to scan for duplicates")},
                        parent),
      m_scanner(services.scanner ? std::move(*services.scanner) : FileScanner())
{}

// ---- derived values ----

void DuplicatesViewModel::forEachChosen(const std::function<void(const FileEntry&)>& visit) const
{
    for (const DuplicateGroup& group : groups()) {
        for (const FileEntry& file : group.files) {
            if (file.isSelected && !file.sharesInode)
                visit(file);
        }
    }
}

qint64 DuplicatesViewModel::totalWasted() const
{
    qint64 sum = 0;
    for (const DuplicateGroup& group : groups())
        sum += group.wastedBytes();
    return sum;
}

// ---- results ----

void DuplicatesViewModel::setGroups(std::vector<DuplicateGroup> groups)
{
    m_groups.replace(std::move(groups));
    emit groupsChanged();
    emit selectionChanged();
}

void DuplicatesViewModel::clearResults()
{
    setGroups({});
}

void DuplicatesViewModel::setProgressLabel(const QString& label)
{
    publish(this, m_progressLabel, label, &DuplicatesViewModel::progressLabelChanged);
}

void DuplicatesViewModel::searchStarting()
{
    setProgressLabel(QStringLiteral("Scanning\u2026"));
}

void DuplicatesViewModel::runSearch(int generation, std::shared_ptr<std::stop_source> stop,
                                    const Path& folder)
{
    const QPointer<DuplicatesViewModel> self(this);
    QThreadPool::globalInstance()->start([self, generation, stop, scanner = m_scanner, folder] {
        const auto progress = [self, generation](const QString& text) {
            postTo(self, [generation, text](DuplicatesViewModel& model) {
                if (model.generation() == generation)
                    model.setProgressLabel(text);
            });
        };
        DuplicateFinder::Search found =
            DuplicateFinder::find(scanner, folder, kMinBytes, progress, stop->get_token());
        postTo(self, [generation, stop, found = std::move(found)](DuplicatesViewModel& model) mutable {
            if (stop->stop_requested() || model.generation() != generation)
                return;
            model.setGroups(std::move(found.groups));
            model.setScanIncomplete(found.incomplete);
            model.setPhase(Phase::results);
        });
    });
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

// ---- clean ----

void DuplicatesViewModel::cleanStarting(const std::vector<ScanItem>& items)
{
    for (const ScanItem& item : items)
        m_leaving.insert(item.url.native());
}

void DuplicatesViewModel::prune(const std::set<Path::string_type>& trashed)
{
    // A group stays while a copy besides the first still frees space; kept groups keep their rows.
    m_groups.prune([&](const FileEntry& file) { return trashed.contains(file.url.native()); },
                   [](const DuplicateGroup& group) {
                       return group.files.size() >= 2 &&
                              std::any_of(group.files.begin() + 1, group.files.end(),
                                          [](const FileEntry& f) { return !f.sharesInode; });
                   });
    emit groupsChanged();
}

} // namespace qm
