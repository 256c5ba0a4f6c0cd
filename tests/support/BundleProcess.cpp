#include "support/BundleProcess.h"

#include <QFile>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>
#include <thread>

namespace qm::test {

namespace fs = std::filesystem;

fs::path makeSleeperBundle(const fs::path& bundle, const QByteArray& identifier, const fs::path& executable)
{
    fs::create_directories(bundle / "Contents" / "MacOS");
    const fs::path program = bundle / "Contents" / "MacOS" / executable;
    fs::copy_file("/usr/bin/sleep", program, fs::copy_options::overwrite_existing);
    fs::permissions(program, fs::perms(0755));
    if (!identifier.isEmpty()) {
        QFile plist(QString::fromStdString((bundle / "Contents" / "Info.plist").string()));
        if (!plist.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write Info.plist");
        plist.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<plist version=\"1.0\"><dict><key>CFBundleIdentifier</key><string>" +
                    identifier + "</string></dict></plist>\n");
    }
    return program;
}

BundleProcess::BundleProcess(const fs::path& executable, bool ignoreTerm)
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
        ::execl(executable.c_str(), "Sleeper", "600", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ready[1]);
    char byte = 0;
    while (::read(ready[0], &byte, 1) < 0 && errno == EINTR) {
    }
    ::close(ready[0]);
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
