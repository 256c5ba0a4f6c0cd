#pragma once

#include <functional>

namespace qm {

// A process-wide cache of threads for walks that a caller waits for with a deadline. A job goes to an
// idle cached thread when there is one and to a new thread otherwise, so a job never queues behind
// another: a walk stuck in a hung system call keeps its thread and later jobs get others. A thread
// left idle for a few seconds ends. The threads are detached, so a job must own or share everything
// it uses; nothing here waits for a job to end.
class WalkerThreads
{
public:
    // Runs `job` on a cached or a new thread. False, with `job` not run, when no thread is idle and
    // none can be started.
    static bool start(std::function<void()> job);
    // Threads of the cache now, busy or idle.
    static int count();
};

} // namespace qm
