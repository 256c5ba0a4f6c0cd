#include "platform/ProcessRunner.h"

#include "platform/UniqueFd.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

namespace qm {

namespace {

using SteadyClock = std::chrono::steady_clock;

// How often the child is checked for when the kernel offers no process descriptor to wait on.
constexpr auto kReapPollInterval = std::chrono::milliseconds(20);
constexpr size_t kReadChunk = 64 * 1024;
// Bytes read from one stream per wake-up before the deadline is looked at again.
constexpr qint64 kPerWakeBudget = 1024 * 1024;

QString displayName(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

Error startFailure(int errnoValue, const std::filesystem::path& program)
{
    return Error::posix(errnoValue, QStringLiteral("Cannot run ") + displayName(program));
}

bool containsNul(const std::string& text)
{
    return text.find('\0') != std::string::npos;
}

// Blocks SIGPIPE in the calling thread while a child runs, so that writing to a child that closed
// its input yields EPIPE instead of ending this process. A SIGPIPE raised meanwhile is consumed
// before the previous mask comes back.
class SigpipeBlock
{
public:
    SigpipeBlock()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;
    ~SigpipeBlock()
    {
        if (!m_wasPending) {
            sigset_t pending;
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                const timespec now{};
                while (sigtimedwait(&m_pipe, nullptr, &now) < 0 && errno == EINTR) {
                }
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }

private:
    sigset_t m_pipe;
    sigset_t m_previous;
    bool m_wasPending = false;
};

// posix_spawn's file actions and attributes, destroyed on every path.
class SpawnSetup
{
public:
    SpawnSetup()
    {
        m_actionsReady = posix_spawn_file_actions_init(&m_actions) == 0;
        m_attributesReady = posix_spawnattr_init(&m_attributes) == 0;
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup()
    {
        if (m_actionsReady) {
            posix_spawn_file_actions_destroy(&m_actions);
        }
        if (m_attributesReady) {
            posix_spawnattr_destroy(&m_attributes);
        }
    }

    bool ready() const { return m_actionsReady && m_attributesReady; }
    posix_spawn_file_actions_t* actions() { return &m_actions; }
    posix_spawnattr_t* attributes() { return &m_attributes; }

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
    bool m_actionsReady = false;
    bool m_attributesReady = false;
};

// A started child that has not been reaped yet. If `run` leaves early, the whole group is killed
// and the child reaped so that nothing outlives the call and no zombie stays behind.
class ChildGuard
{
public:
    explicit ChildGuard(pid_t pid) : m_pid(pid) {}
    ChildGuard(const ChildGuard&) = delete;
    ChildGuard& operator=(const ChildGuard&) = delete;
    ~ChildGuard()
    {
        if (!m_reaped) {
            killGroup();
            int status = 0;
            wait(&status, 0);
        }
    }

    pid_t pid() const { return m_pid; }
    bool reaped() const { return m_reaped; }

    // Sends SIGKILL to every process in the child's group (the group id is the child's pid).
    void killGroup() const { ::kill(-m_pid, SIGKILL); }

    // waitpid with `options`, retried on EINTR. Returns 1 when the child was reaped (status
    // filled in), 0 when WNOHANG found it still running, -1 with errno on failure.
    int wait(int* status, int options)
    {
        for (;;) {
            const pid_t got = ::waitpid(m_pid, status, options);
            if (got == m_pid) {
                m_reaped = true;
                return 1;
            }
            if (got == 0) {
                return 0;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno == ECHILD) {
                // Someone else reaped it (SIGCHLD ignored process-wide): nothing is left to wait for.
                m_reaped = true;
            }
            return -1;
        }
    }

private:
    pid_t m_pid;
    bool m_reaped = false;
};

// Read end of one output pipe and the bytes kept from it.
struct OutputStream
{
    UniqueFd fd;
    QByteArray kept;
    bool truncated = false;

    // Reads what is available now, up to about `budget` bytes so that a child writing without
    // pause cannot keep the caller from its deadline. Closes the pipe at its end or on failure.
    void drain(qint64 cap, qint64 budget)
    {
        std::array<char, kReadChunk> buffer;
        while (fd && budget > 0) {
            const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
            if (got > 0) {
                budget -= got;
                const qint64 room = std::max<qint64>(0, cap - kept.size());
                const qint64 take = std::min<qint64>(room, got);
                kept.append(buffer.data(), take);
                truncated = truncated || take < got;
                continue;
            }
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            }
            fd.reset();
        }
    }

    // Collects what the pipe holds once the child has ended: at most one pipe buffer, since
    // anything beyond that was written afterwards by a descendant.
    void finish(qint64 cap)
    {
        if (fd) {
            const int capacity = ::fcntl(fd.get(), F_GETPIPE_SZ);
            drain(cap, capacity > 0 ? capacity : kPerWakeBudget);
            fd.reset();
        }
    }
};

// Write end of the child's standard input and what is still to be written.
struct InputStream
{
    UniqueFd fd;
    QByteArray bytes;
    qint64 written = 0;

    // Writes as much as the pipe takes now; closes the pipe when done or when the child has gone.
    void pump()
    {
        while (fd && written < bytes.size()) {
            const ssize_t put =
                ::write(fd.get(), bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
            if (put >= 0) {
                written += put;
                continue;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return;
            }
            fd.reset(); // EPIPE and the like: the child does not want the rest
        }
        fd.reset();
    }
};

// A pipe whose ends are close-on-exec; `parentEnd` (0 = read, 1 = write) is made non-blocking.
bool makePipe(UniqueFd& readEnd, UniqueFd& writeEnd, int parentEnd)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    const int parentFd = fds[parentEnd];
    const int flags = ::fcntl(parentFd, F_GETFL);
    return flags >= 0 && ::fcntl(parentFd, F_SETFL, flags | O_NONBLOCK) == 0;
}

UniqueFd openProcessDescriptor(pid_t pid)
{
#ifdef SYS_pidfd_open
    return UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#else
    (void)pid;
    return UniqueFd();
#endif
}

std::vector<char*> nullTerminated(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Gives the child exactly fds 0-2 (stdin from `in`, or /dev/null when `in` is -1) and closes
// anything else this process has open, close-on-exec or not. The child leads a new process group
// and starts with no blocked signals and every disposition at its default, as an ignored signal
// would otherwise survive exec. Returns 0 or the first error number.
int configure(SpawnSetup& setup, int in, int out, int err)
{
    posix_spawn_file_actions_t* actions = setup.actions();
    const int stdinStatus =
        in >= 0 ? posix_spawn_file_actions_adddup2(actions, in, STDIN_FILENO)
                : posix_spawn_file_actions_addopen(actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (stdinStatus != 0) {
        return stdinStatus;
    }
    if (const int failed = posix_spawn_file_actions_adddup2(actions, out, STDOUT_FILENO); failed != 0) {
        return failed;
    }
    if (const int failed = posix_spawn_file_actions_adddup2(actions, err, STDERR_FILENO); failed != 0) {
        return failed;
    }
    if (const int failed = posix_spawn_file_actions_addclosefrom_np(actions, STDERR_FILENO + 1);
        failed != 0) {
        return failed;
    }

    sigset_t noSignals;
    sigset_t allSignals;
    sigemptyset(&noSignals);
    sigfillset(&allSignals);
    sigdelset(&allSignals, SIGKILL);
    sigdelset(&allSignals, SIGSTOP);
    constexpr short kFlags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    posix_spawnattr_t* attributes = setup.attributes();
    if (const int failed = posix_spawnattr_setflags(attributes, kFlags); failed != 0) {
        return failed;
    }
    if (const int failed = posix_spawnattr_setpgroup(attributes, 0); failed != 0) {
        return failed;
    }
    if (const int failed = posix_spawnattr_setsigmask(attributes, &noSignals); failed != 0) {
        return failed;
    }
    return posix_spawnattr_setsigdefault(attributes, &allSignals);
}

void decodeStatus(int status, ProcessOutcome& outcome)
{
    if (WIFEXITED(status)) {
        outcome.exited = true;
        outcome.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    }
}

} // namespace

std::vector<std::string> ProcessRequest::defaultEnvironment()
{
    return {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LANG=C"};
}

Result<ProcessOutcome> ProcessRunner::run(const ProcessRequest& request) const
{
    const std::filesystem::path& program = request.program;
    if (!program.is_absolute() || containsNul(program.native())) {
        return startFailure(EINVAL, program);
    }
    if (std::any_of(request.arguments.begin(), request.arguments.end(), containsNul) ||
        std::any_of(request.environment.begin(), request.environment.end(), containsNul)) {
        return startFailure(EINVAL, program);
    }
    const qint64 cap = std::max<qint64>(0, request.outputCap);
    const auto startedAt = SteadyClock::now();

    std::vector<std::string> argvStrings;
    argvStrings.reserve(request.arguments.size() + 1);
    argvStrings.push_back(program.native());
    argvStrings.insert(argvStrings.end(), request.arguments.begin(), request.arguments.end());
    std::vector<std::string> envStrings = request.environment;
    std::vector<char*> argv = nullTerminated(argvStrings);
    std::vector<char*> envp = nullTerminated(envStrings);

    OutputStream out;
    OutputStream err;
    InputStream in;
    UniqueFd childOut;
    UniqueFd childErr;
    UniqueFd childIn;
    if (!makePipe(out.fd, childOut, 0) || !makePipe(err.fd, childErr, 0)) {
        return startFailure(errno, program);
    }
    if (request.standardInput) {
        if (!makePipe(childIn, in.fd, 1)) {
            return startFailure(errno, program);
        }
        in.bytes = *request.standardInput;
    }

    SpawnSetup setup;
    if (!setup.ready()) {
        return startFailure(ENOMEM, program);
    }
    if (const int failed = configure(setup, childIn.get(), childOut.get(), childErr.get()); failed != 0) {
        return startFailure(failed, program);
    }

    SigpipeBlock sigpipeBlock;
    pid_t pid = -1;
    const int status =
        posix_spawn(&pid, program.c_str(), setup.actions(), setup.attributes(), argv.data(), envp.data());
    if (status != 0) {
        return startFailure(status, program);
    }
    ChildGuard child(pid);
    childIn.reset();
    childOut.reset();
    childErr.reset();
    const UniqueFd processFd = openProcessDescriptor(pid);

    ProcessOutcome outcome;
    const std::optional<SteadyClock::time_point> deadlineAt =
        request.deadline ? std::optional(startedAt + *request.deadline) : std::nullopt;
    int waitStatus = 0;
    in.pump();
    while (!child.reaped()) {
        std::array<pollfd, 4> fds{};
        nfds_t count = 0;
        int outIndex = -1;
        int errIndex = -1;
        int inIndex = -1;
        if (out.fd) {
            outIndex = static_cast<int>(count);
            fds[count++] = {out.fd.get(), POLLIN, 0};
        }
        if (err.fd) {
            errIndex = static_cast<int>(count);
            fds[count++] = {err.fd.get(), POLLIN, 0};
        }
        if (in.fd) {
            inIndex = static_cast<int>(count);
            fds[count++] = {in.fd.get(), POLLOUT, 0};
        }
        if (processFd) {
            fds[count++] = {processFd.get(), POLLIN, 0};
        }

        std::optional<SteadyClock::duration> wait;
        if (!processFd) {
            wait = kReapPollInterval;
        }
        if (deadlineAt) {
            const auto left = std::max(SteadyClock::duration::zero(), *deadlineAt - SteadyClock::now());
            wait = wait ? std::min(*wait, left) : left;
        }
        timespec timeout{};
        if (wait) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(*wait);
            timeout.tv_sec = static_cast<time_t>(seconds.count());
            timeout.tv_nsec = static_cast<long>(std::chrono::nanoseconds(*wait - seconds).count());
        }
        const int ready = ::ppoll(fds.data(), count, wait ? &timeout : nullptr, nullptr);
        if (ready < 0 && errno != EINTR) {
            return Error::posix(errno, QStringLiteral("Cannot watch ") + displayName(program));
        }
        if (ready > 0) {
            if (outIndex >= 0 && fds[outIndex].revents != 0) {
                out.drain(cap, kPerWakeBudget);
            }
            if (errIndex >= 0 && fds[errIndex].revents != 0) {
                err.drain(cap, kPerWakeBudget);
            }
            if (inIndex >= 0 && fds[inIndex].revents != 0) {
                in.pump();
            }
        }

        const int reaped = child.wait(&waitStatus, WNOHANG);
        if (reaped < 0) {
            return Error::posix(errno, QStringLiteral("Cannot wait for ") + displayName(program));
        }
        if (reaped == 0 && deadlineAt && SteadyClock::now() >= *deadlineAt) {
            child.killGroup();
            outcome.timedOut = true;
            if (child.wait(&waitStatus, 0) < 0) {
                return Error::posix(errno, QStringLiteral("Cannot wait for ") + displayName(program));
            }
        }
    }
    // What the child wrote before it ended is in the pipes now; later writes by descendants that
    // still hold them are not waited for.
    out.finish(cap);
    err.finish(cap);

    decodeStatus(waitStatus, outcome);
    outcome.standardOutput = std::move(out.kept);
    outcome.standardError = std::move(err.kept);
    outcome.standardOutputTruncated = out.truncated;
    outcome.standardErrorTruncated = err.truncated;
    return outcome;
}

} // namespace qm
