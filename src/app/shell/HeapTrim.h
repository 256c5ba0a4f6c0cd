#pragma once

#include <QObject>

#include <chrono>
#include <functional>

namespace qm {

class Clock;
class FirstFrame;

// Hands the memory the C library's allocator holds free back to the system, once, `delay` after the
// window's first frame. The start leaves freed pages behind in every thread's heap (the graphics
// driver's shader compilations on the render thread above all, the QML loader's and the launch scan's
// working data); without this they stay resident for as long as the program runs. It frees nothing in
// use and moves nothing, and it never runs before the first frame, so that frame waits for none of it.
// Lives on the GUI thread; a QObject only so that destroying it cancels the release.
class HeapTrim : public QObject
{
public:
    // What runs once; empty means `releaseFreeMemory`.
    using Release = std::function<void()>;

    // Arms the release on `clock`, `delay` (milliseconds) after `firstFrame` is shown (counted from
    // now when it already is). Both must outlive this object; destroying it first cancels the release.
    HeapTrim(FirstFrame& firstFrame, Clock& clock, std::chrono::milliseconds delay, Release release = {},
             QObject* parent = nullptr);

    // Gives the free pages of every heap of this process back to the system (glibc's malloc_trim).
    static void releaseFreeMemory();
};

} // namespace qm
