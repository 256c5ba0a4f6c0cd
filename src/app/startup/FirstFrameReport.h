#pragma once

class QQuickWindow;

namespace qm {

// Start-up timing for the start-up benchmark: when the environment variable QM_REPORT_FIRST_FRAME is
// "1", writes one line "first-frame-ms <milliseconds>" to standard output when `window` has swapped its
// first frame, counted from the start of the process as the kernel recorded it (/proc/self/stat). Does
// nothing otherwise, and never more than once per process. Both the application and the benchmark's bare
// window call it, so they are measured the same way.
void reportFirstFrame(QQuickWindow* window);

// Milliseconds from the start of this process (its start time in /proc/self/stat, 10 ms steps) to now,
// on the boot-time clock the kernel counts that start in; negative when it cannot be read.
double millisecondsSinceProcessStart();

} // namespace qm
