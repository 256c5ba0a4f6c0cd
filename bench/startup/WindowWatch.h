#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

struct xcb_connection_t;

namespace qm::bench {

// What one look at the screen found for a process: whether a top-level window of it is mapped, and
// whether that window holds content.
struct WindowLook
{
    bool mapped = false;
    bool painted = false;
};

// A connection to an X server that looks for the top-level windows of one process: the children of
// the root window whose _NET_WM_PID is that process (no window manager reparents them), of which the
// largest viewable one is the program's window. The window holds content once a 32 by 32 grid of
// samples across it holds at least 3 distinct pixel values: a window not yet painted shows its one
// background colour, or the black root through it. Reads the screen only; never changes a window.
// One thread only.
class WindowWatch
{
public:
    // Connects to `display` (such as ":1"); `connected()` says whether that worked.
    explicit WindowWatch(const std::string& display);
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    bool connected() const { return m_connection != nullptr; }
    // One look for `pid`'s window: finds its largest viewable top-level window and samples it. Answers
    // both false when the process has no viewable window (yet), or when a window went away meanwhile.
    WindowLook look(pid_t pid);
    // Whether the root window is black at the centre of the screen (the server was started with -br).
    bool rootIsBlack();

private:
    std::optional<std::uint32_t> largestViewableWindowOf(pid_t pid);
    bool holdsContent(std::uint32_t window);

    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_pidAtom = 0;
    int m_screenWidth = 0;
    int m_screenHeight = 0;
};

} // namespace qm::bench
