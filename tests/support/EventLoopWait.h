#pragma once

#include <functional>

namespace qm::test {

// Runs this thread's event loop until `done` holds or `limitMs` milliseconds pass (a generous bound,
// never a measurement), and answers whether `done` holds at the end.
bool settle(const std::function<bool()>& done, int limitMs = 30'000);

// Lets every job on the global thread pool end and every result it posted (and the jobs those start)
// land. Never call it while a job is held at a gate: it would wait for ever.
void drain();

// Lets the global thread pool run at least eight jobs at once, so a job held at a gate never keeps the
// next one from running. It never narrows the pool.
void widenPool();

// Runs the event loop for `ms` milliseconds without waiting for the pool, so queued results land
// while a held job stays held.
void spin(int ms = 100);

} // namespace qm::test
