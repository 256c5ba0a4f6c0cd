#include "app/models/ApplicationSizeUpdater.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <utility>

namespace qm {
namespace {

// Sizing waits behind a listing or a measurement the user waits for.
constexpr int kUtilityPriority = 0;

} // namespace

// One run's shared state. Its batches are measured by one pool job at a time: a job measures one batch
// and hands it to the GUI thread, which applies it and only then starts the job for the next batch, so
// no pool thread ever waits for the GUI thread (a GUI thread waiting for the pool would wait forever).
struct ApplicationSizeUpdater::Task
{
    std::stop_source stop;
    std::atomic<bool> finished{false};
    Apply apply; // read on the GUI thread only
    Measure measure;
    std::size_t batchSize = 1;
    std::vector<InstalledApp> apps;
    std::size_t next = 0; // the next application to measure; read and written by the running job only
};

void ApplicationSizeUpdater::startBatch(std::shared_ptr<Task> task)
{
    QThreadPool::globalInstance()->start([task = std::move(task)] { measureBatch(task); }, kUtilityPriority);
}

// The stop is requested on the GUI thread only, so a batch taken there before it is applied whole and
// none after it.
void ApplicationSizeUpdater::measureBatch(const std::shared_ptr<Task>& task)
{
    const std::stop_token stop = task->stop.get_token();
    AppInventory::Sizes pending;
    for (std::size_t measured = 0; measured < task->batchSize && task->next < task->apps.size(); ++measured) {
        if (stop.stop_requested()) {
            task->finished.store(true);
            return;
        }
        const InstalledApp& app = task->apps[task->next++];
        pending[app.id()] = task->measure(app, stop);
    }
    if (stop.stop_requested() || pending.empty()) {
        task->finished.store(true);
        return;
    }
    const bool more = task->next < task->apps.size();
    auto batch = std::make_shared<const AppInventory::Sizes>(std::move(pending));
    const bool queued = QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [task, batch, more] {
            if (task->stop.stop_requested()) {
                task->finished.store(true);
                return;
            }
            task->apply(*batch);
            if (more && !task->stop.stop_requested())
                startBatch(task);
            else
                task->finished.store(true);
        },
        Qt::QueuedConnection);
    if (!queued)
        task->finished.store(true);
}

ApplicationSizeUpdater::ApplicationSizeUpdater(Measure measure, int batchSize)
    : m_measure(std::move(measure)), m_batchSize(std::max(batchSize, 1))
{}

ApplicationSizeUpdater::~ApplicationSizeUpdater()
{
    // No batch lands afterwards, and no further batch is measured.
    if (m_task)
        m_task->stop.request_stop();
}

bool ApplicationSizeUpdater::running() const
{
    return m_task && !m_task->finished.load();
}

void ApplicationSizeUpdater::start(std::vector<InstalledApp> apps, Apply apply)
{
    if (m_task)
        m_task->stop.request_stop();
    auto task = std::make_shared<Task>();
    task->apply = std::move(apply);
    task->measure = m_measure;
    task->batchSize = std::size_t(m_batchSize);
    task->apps = std::move(apps);
    m_task = task;
    startBatch(std::move(task));
}

} // namespace qm
