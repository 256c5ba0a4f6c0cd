#include "support/BundleProcess.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>
#include <thread>

namespace qm::test {

namespace fs = std::filesystem;

fs::path makeSleeper(const fs::path& program)
{
    fs::create_directories(program.parent_path());
    fs::copy_file("/usr/bin/sleep", program, fs::copy_options::overwrite_existing);
    fs::permissions(program, fs::perms(0755));
    return program;
}

BundleProcess::BundleProcess(const fs::path& executable, bool ignoreTerm, std::optional<uid_t> asUser)
{
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2");
    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error("fork");
    if (m_pid == 0) {
        // Only async-signal-safe calls between fork and exec. The pipe closes on exec: that is the
        // parent's signal that the program runs.
        ::close(ready[0]);
        if (ignoreTerm)
            ::signal(SIGTERM, SIG_IGN);
        if (asUser) {
            // Raw system calls: the library's wrappers would try to reach threads this child lacks.
            const long user = long(*asUser);
            if (::syscall(SYS_setgroups, 0, nullptr) != 0 ||
                ::syscall(SYS_setresgid, user, user, user) != 0 ||
                ::syscall(SYS_setresuid, user, user, user) != 0) {
                (void)!::write(ready[1], "u", 1);
                ::_exit(126);
            }
        }
        ::execl(executable.c_str(), "Sleeper", "600", static_cast<char*>(nullptr));
        (void)!::write(ready[1], "x", 1);
        ::_exit(127);
    }
    ::close(ready[1]);
    char byte = 0;
    ssize_t got = 0;
    while ((got = ::read(ready[0], &byte, 1)) < 0 && errno == EINTR) {
    }
    ::close(ready[0]);
    // A byte instead of the bare close: the child gave up before its program ran.
    if (got == 1) {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_reaped = true;
        throw std::runtime_error("the stand-in program did not start");
    }
}

bool BundleProcess::waitForExit(std::chrono::milliseconds timeout)
{
    if (m_reaped)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        int status = 0;
        const pid_t got = ::waitpid(m_pid, &status, WNOHANG);
        if (got == m_pid) {
            m_reaped = true;
            if (WIFSIGNALED(status))
                m_signal = WTERMSIG(status);
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

BundleProcess::~BundleProcess()
{
    if (m_pid <= 0 || m_reaped)
        return;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace qm::test
