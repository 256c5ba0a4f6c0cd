#include "PrivateDisplay.h"

#include "../support/BenchSupport.h"

namespace qm::bench {

PrivateDisplay::PrivateDisplay()
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        fail("pipe");
    m_pid = ::fork();
    if (m_pid < 0)
        fail("fork");
    if (m_pid == 0) {
        ::dup2(pipeFds[1], 3);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-br", "-nolisten",
                "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    char buffer[32] = {};
    std::size_t used = 0;
    while (used < sizeof buffer - 1) {
        const ssize_t n = ::read(pipeFds[0], buffer + used, sizeof buffer - 1 - used);
        if (n <= 0)
            break;
        used += std::size_t(n);
        if (std::memchr(buffer, '\n', used) != nullptr)
            break;
    }
    ::close(pipeFds[0]);
    if (used == 0)
        fail("Xvfb did not start");
    m_display = ":" + std::to_string(std::atoi(buffer));
}

PrivateDisplay::~PrivateDisplay()
{
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
}

} // namespace qm::bench
