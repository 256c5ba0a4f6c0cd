#include "app/startup/FirstFrameReport.h"

#include <QQuickWindow>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qm {
namespace {

// The 22nd field of /proc/self/stat: when the process started, in clock ticks since boot. The second
// field (the command name) may hold spaces and parentheses, so the count starts after its last ')'.
long long startTicks()
{
    const int fd = ::open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (n <= 0)
        return -1;
    buffer[n] = '\0';
    const char* p = std::strrchr(buffer, ')');
    if (p == nullptr)
        return -1;
    // Each space after ')' opens the next field, from field 3 on; the start time is field 22.
    for (int field = 3; field <= 22; ++field) {
        p = std::strchr(p + 1, ' ');
        if (p == nullptr)
            return -1;
    }
    return std::strtoll(p + 1, nullptr, 10);
}

} // namespace

double millisecondsSinceProcessStart()
{
    const long long ticks = startTicks();
    const long perSecond = ::sysconf(_SC_CLK_TCK);
    timespec now{};
    if (ticks < 0 || perSecond <= 0 || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return -1;
    const double nowMs = double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
    return nowMs - double(ticks) * 1000.0 / double(perSecond);
}

void reportFirstFrame(QQuickWindow* window)
{
    static std::atomic<bool> armed{false};
    const char* wanted = std::getenv("QM_REPORT_FIRST_FRAME");
    if (window == nullptr || wanted == nullptr || std::strcmp(wanted, "1") != 0 || armed.exchange(true))
        return;
    // Emitted on the render thread when the scene graph renders there: measured and written there, at
    // once, without waiting for the GUI thread.
    static std::atomic<bool> done{false};
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [] {
            if (done.exchange(true))
                return;
            std::printf("first-frame-ms %.1f\n", millisecondsSinceProcessStart());
            std::fflush(stdout);
        },
        Qt::DirectConnection);
}

} // namespace qm
