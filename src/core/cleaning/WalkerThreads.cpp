#include "core/cleaning/WalkerThreads.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace qm {
namespace {

// How long a cached thread waits for a job before it ends.
constexpr std::chrono::seconds kIdleLifetime{5};

struct Cache
{
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::function<void()>> jobs; // guarded by `mutex`
    int idle = 0;                           // threads waiting for a job; `mutex`
    int threads = 0;                        // `mutex`
};

// Never destroyed: detached threads may still wait on it while the process exits.
Cache& cache()
{
    static Cache* const instance = new Cache;
    return *instance;
}

void serve(Cache& c)
{
    std::unique_lock lock(c.mutex);
    for (;;) {
        ++c.idle;
        const bool got = c.ready.wait_for(lock, kIdleLifetime, [&] { return !c.jobs.empty(); });
        --c.idle;
        if (!got) {
            --c.threads;
            return;
        }
        std::function<void()> job = std::move(c.jobs.front());
        c.jobs.pop_front();
        lock.unlock();
        job();
        job = nullptr; // what the job holds goes before the thread waits again
        lock.lock();
    }
}

} // namespace

bool WalkerThreads::start(std::function<void()> job)
{
    Cache& c = cache();
    {
        const std::lock_guard lock(c.mutex);
        if (c.idle > int(c.jobs.size())) {
            c.jobs.push_back(std::move(job));
            c.ready.notify_one();
            return true;
        }
        ++c.threads;
    }
    try {
        std::thread([first = std::move(job), &c]() mutable {
            first();
            first = nullptr;
            serve(c);
        }).detach();
    } catch (const std::system_error&) {
        const std::lock_guard lock(c.mutex);
        --c.threads;
        return false;
    }
    return true;
}

int WalkerThreads::count()
{
    Cache& c = cache();
    const std::lock_guard lock(c.mutex);
    return c.threads;
}

} // namespace qm
