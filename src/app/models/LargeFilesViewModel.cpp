#include "app/models/LargeFilesViewModel.h"

#include "app/models/PostToModel.h"
#include "app/models/PublishedValue.h"
#include "platform/Clock.h"

#include <QPointer>
#include <QThreadPool>

#include <chrono>
#include <utility>

namespace qm {
namespace {

// The live count is published at most this often.
constexpr std::chrono::milliseconds kCountInterval{150};

} // namespace

LargeFilesViewModel::LargeFilesViewModel(Services services, QObject* parent)
    : FileToolViewModel(Common{std::move(services.home), std::move(services.trash),
                               std::move(services.fullDiskAccess), std::move(services.folderPicker),
                               services.restoreTracker,
                               QStringLiteral("Choose a folder to scan for large files")},
                        parent),
      m_clock(services.clock), m_search(std::move(services.search))
{
    if (!m_search) {
        m_search = [scanner = services.scanner ? std::move(*services.scanner) : FileScanner()](
                       const Path& root, qint64 minBytes, std::optional<int> months,
                       const FileScanner::VisitSink& progress, std::stop_token stop) {
            return scanner.scanLargeFiles(root, minBytes, months, progress, std::move(stop));
        };
    }
}

// ---- derived values ----

void LargeFilesViewModel::forEachChosen(const std::function<void(const FileEntry&)>& visit) const
{
    for (const FileEntry& file : files()) {
        if (file.isSelected && !file.sharesInode)
            visit(file);
    }
}

// ---- thresholds and results ----

void LargeFilesViewModel::setMinMB(double value)
{
    publish(this, m_minMB, value, &LargeFilesViewModel::minMBChanged);
}

void LargeFilesViewModel::setOlderThanMonths(int months)
{
    publish(this, m_olderThanMonths, months, &LargeFilesViewModel::olderThanMonthsChanged);
}

void LargeFilesViewModel::setFiles(std::vector<FileEntry> files)
{
    m_files.replace(std::move(files));
    emit filesChanged();
    emit selectionChanged();
}

void LargeFilesViewModel::clearResults()
{
    setFiles({});
}

void LargeFilesViewModel::applyCount(qint64 count)
{
    const auto now = m_clock.monotonicNow();
    if (m_lastCountUpdate && now - *m_lastCountUpdate < kCountInterval)
        return;
    m_lastCountUpdate = now;
    m_scannedCount = count;
    emit scannedCountChanged();
}

// ---- search ----

void LargeFilesViewModel::searchStarting()
{
    m_scannedCount = 0;
    emit scannedCountChanged();
    m_lastCountUpdate.reset();
}

void LargeFilesViewModel::runSearch(int generation, std::shared_ptr<std::stop_source> stop,
                                    const Path& folder)
{
    // Truncated toward zero: 100 MB is 100,000,000 bytes.
    const qint64 minBytes = qint64(m_minMB * 1'000'000.0);
    const std::optional<int> months =
        m_olderThanMonths == 0 ? std::nullopt : std::optional<int>(m_olderThanMonths);
    const QPointer<LargeFilesViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, stop, search = m_search, folder, minBytes, months] {
            const auto progress = [self, generation](qint64 count) {
                postTo(self, [generation, count](LargeFilesViewModel& model) {
                    if (model.generation() == generation)
                        model.applyCount(count);
                });
            };
            FileScanner::LargeFiles found = search(folder, minBytes, months, progress, stop->get_token());
            postTo(self, [generation, stop, found = std::move(found)](LargeFilesViewModel& model) mutable {
                if (stop->stop_requested() || model.generation() != generation)
                    return;
                model.setFiles(std::move(found.entries));
                model.setScanIncomplete(found.incomplete);
                model.setPhase(Phase::results);
            });
        });
}

// ---- selection ----

void LargeFilesViewModel::toggle(const QUuid& id)
{
    const std::vector<FileEntry>& all = files();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].id != id)
            continue;
        // Only this row is announced; the list keeps every other item.
        m_files.setSelected(int(i), !all[i].isSelected);
        emit selectionChanged();
        return;
    }
}

// ---- clean ----

void LargeFilesViewModel::prune(const std::set<Path::string_type>& trashed)
{
    // The files left keep their rows.
    m_files.removeIf([&](const FileEntry& file) { return trashed.contains(file.url.native()); });
    emit filesChanged();
}

} // namespace qm
