#pragma once

#include <QByteArray>

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>

namespace qm::test {

// A copy of sleep(1) at `program` (mode 0755, its folders made first): a stand-in for a program that
// the process table knows by that executable's name. Returns `program`.
std::filesystem::path makeSleeper(const std::filesystem::path& program);

// A child process running a stand-in executable ("<executable> 600"), killed and reaped when it
// goes. `ignoreTerm`: it ignores SIGTERM, set before the program starts. `asUser`: it runs as that
// user (and the group of the same number, no supplementary groups), which needs root; the executable
// must be reachable for that user. The constructor returns only once the program runs (its exec
// happened), so /proc already shows it with its executable; it throws when the program cannot start.
class BundleProcess
{
public:
    explicit BundleProcess(const std::filesystem::path& executable, bool ignoreTerm = false,
                           std::optional<uid_t> asUser = std::nullopt);
    ~BundleProcess();
    BundleProcess(const BundleProcess&) = delete;
    BundleProcess& operator=(const BundleProcess&) = delete;

    pid_t pid() const { return m_pid; }
    // Reaps the process if it ended within `timeout`; true when it did (and it is gone from /proc).
    bool waitForExit(std::chrono::milliseconds timeout);
    // How it ended: the signal that ended it, when one did.
    std::optional<int> endedBySignal() const { return m_signal; }

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
    std::optional<int> m_signal;
};

} // namespace qm::test
