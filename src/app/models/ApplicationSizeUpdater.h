#pragma once

#include "core/apps/AppInventory.h"
#include "core/apps/InstalledApp.h"

#include <functional>
#include <memory>
#include <stop_token>
#include <vector>

namespace qm {

// The sizes beside the Applications list: measures the listed applications one after another on the
// thread pool and hands their sizes to the GUI thread in batches, each batch taken there before the
// next application is measured (so a batch never overtakes the measuring). No pool thread waits for
// the GUI thread: the GUI thread starts the next batch's job when it takes a batch, so waiting for the
// pool on the GUI thread never blocks on a batch in flight. One run at a time: a new run stops the old
// one, whose batches then never land. Which run still counts for the list (the listing's generation)
// is decided by whoever applies the batches, not here. Lives on the GUI thread.
class ApplicationSizeUpdater
{
public:
    // Measures one application; called on the sizing thread.
    using Measure = std::function<qint64(const InstalledApp&, std::stop_token)>;
    // Takes one batch of sizes on the GUI thread.
    using Apply = std::function<void(const AppInventory::Sizes&)>;

    // Sizes are handed over after every `batchSize` applications measured (at least 1), and once for
    // the rest.
    explicit ApplicationSizeUpdater(Measure measure, int batchSize);
    // Stops the running job; no batch lands afterwards and no further batch is measured.
    ~ApplicationSizeUpdater();
    ApplicationSizeUpdater(const ApplicationSizeUpdater&) = delete;
    ApplicationSizeUpdater& operator=(const ApplicationSizeUpdater&) = delete;

    // Stops the running job and measures `apps` in order, handing each batch to `apply` on the GUI
    // thread while this run is the newest. An empty list hands over nothing. Returns at once.
    void start(std::vector<InstalledApp> apps, Apply apply);
    // A run is under way: measuring, or its batch is on its way to the GUI thread.
    bool running() const;

private:
    struct Task;

    // Starts the pool job that measures `task`'s next batch.
    static void startBatch(std::shared_ptr<Task> task);
    // Measures the next batch of `task` on a pool thread and hands it to the GUI thread.
    static void measureBatch(const std::shared_ptr<Task>& task);

    Measure m_measure;
    int m_batchSize;
    std::shared_ptr<Task> m_task;
};

} // namespace qm
