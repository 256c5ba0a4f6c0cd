#include "PrivateBus.h"

#include "../support/BenchSupport.h"

#include <thread>

namespace qm::bench {

PrivateBus::PrivateBus(const std::vector<std::string>& environment)
{
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        fail("pipe");
    m_pid = ::fork();
    if (m_pid < 0)
        fail("fork");
    if (m_pid == 0) {
        ::setpgid(0, 0);
        ::dup2(pipeFds[1], 3);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>("--session"),
                        const_cast<char*>("--nofork"), const_cast<char*>("--print-address=3"), nullptr};
        ::execve("/usr/bin/dbus-daemon", argv, envp.data());
        ::_exit(127);
    }
    ::setpgid(m_pid, m_pid);
    ::close(pipeFds[1]);
    char buffer[512];
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
    const char* end = static_cast<const char*>(std::memchr(buffer, '\n', used));
    if (end == nullptr)
        fail("dbus-daemon did not start");
    m_address.assign(buffer, std::size_t(end - buffer));
}

PrivateBus::~PrivateBus()
{
    // The services the bus started for the program are in its process group.
    ::kill(-m_pid, SIGTERM);
    int status = 0;
    for (int waited = 0; ::waitpid(m_pid, &status, WNOHANG) == 0; ++waited) {
        if (waited == 100)
            ::kill(-m_pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace qm::bench
