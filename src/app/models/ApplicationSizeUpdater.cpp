#include "app/models/ApplicationSizeUpdater.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace qm {
namespace {

// Sizing waits behind a listing or a measurement the user waits for.
constexpr int kUtilityPriority = 0;

} // namespace

// One job's shared state: its stop source, the hand-over of a batch to the GUI thread, which the job
// waits for before it measures on, and where the batches go.
struct ApplicationSizeUpdater::Task
{
    std::stop_source stop;
    std::mutex mutex;
    std::condition_variable_any landed;
    qint64 posted = 0;  // batches handed to the GUI thread
    qint64 arrived = 0; // batches the GUI thread took (applied or dropped)
    std::atomic<bool> finished{false};
    Apply apply; // read on the GUI thread only
};

ApplicationSizeUpdater::ApplicationSizeUpdater(Measure measure, int batchSize)
    : m_measure(std::move(measure)), m_batchSize(std::max(batchSize, 1))
{}

ApplicationSizeUpdater::~ApplicationSizeUpdater()
{
    // Also wakes a job waiting for a batch that will never be applied now.
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
    m_task = task;

    QThreadPool::globalInstance()->start(
        [task, apps = std::move(apps), measure = m_measure, batchSize = std::size_t(m_batchSize)] {
            const std::stop_token stop = task->stop.get_token();
            struct Finish
            {
                Task& task;
                ~Finish() { task.finished.store(true); }
            } finish{*task};

            // Hands the batch to the GUI thread and waits until it was taken there; false when the job
            // is stopped meanwhile. The stop is requested on the GUI thread only, so a batch taken
            // before it is applied whole and none after it.
            const auto flush = [&](AppInventory::Sizes pending) {
                auto batch = std::make_shared<const AppInventory::Sizes>(std::move(pending));
                {
                    const std::lock_guard lock(task->mutex);
                    ++task->posted;
                }
                const bool queued = QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [task, batch] {
                        if (!task->stop.stop_requested())
                            task->apply(*batch);
                        {
                            const std::lock_guard lock(task->mutex);
                            ++task->arrived;
                        }
                        task->landed.notify_all();
                    },
                    Qt::QueuedConnection);
                if (!queued)
                    return false;
                std::unique_lock lock(task->mutex);
                return task->landed.wait(lock, stop, [&] { return task->arrived == task->posted; });
            };

            AppInventory::Sizes pending;
            for (std::size_t i = 0; i < apps.size(); ++i) {
                if (stop.stop_requested())
                    return;
                pending[apps[i].id()] = measure(apps[i], stop);
                if ((i + 1) % batchSize == 0 && !pending.empty()) {
                    if (!flush(std::exchange(pending, AppInventory::Sizes())))
                        return;
                }
            }
            if (stop.stop_requested())
                return;
            if (!pending.empty())
                (void)flush(std::move(pending));
        },
        kUtilityPriority);
}

} // namespace qm
