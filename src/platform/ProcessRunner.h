#pragma once

#include "platform/Result.h"

#include <QByteArray>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// What to run and under which limits. Every string is raw bytes and must not contain a NUL byte.
struct ProcessRequest
{
    // The environment a child gets unless the request names another: a fixed search path and the
    // C locale, nothing inherited from this process.
    static std::vector<std::string> defaultEnvironment();

    // Absolute path of the executable; it is never looked up in a search path.
    std::filesystem::path program;
    // argv[1] onwards; argv[0] is always `program`.
    std::vector<std::string> arguments;
    // The child's complete environment as "NAME=value" entries; an empty list means none at all.
    std::vector<std::string> environment = defaultEnvironment();
    // Bytes written to the child's standard input, which is then closed; without it the child
    // reads /dev/null. A child that stops reading early is not an error.
    std::optional<QByteArray> standardInput;
    // Time (milliseconds, measured on the monotonic clock from the start) after which the child's
    // whole process group is killed with SIGKILL; none means no limit.
    std::optional<std::chrono::milliseconds> deadline;
    // Bytes kept per output stream; the rest is read and discarded so the child never stalls.
    qint64 outputCap = 16 * 1024 * 1024;
};

// How a child ended and what it wrote.
struct ProcessOutcome
{
    // True when the child called exit; `exitCode` is then its status (0-255), otherwise -1.
    bool exited = false;
    int exitCode = -1;
    // The signal number that ended the child, or 0 when it exited.
    int signal = 0;
    // True when the deadline passed and the process group was killed.
    bool timedOut = false;
    QByteArray standardOutput;
    QByteArray standardError;
    // True when the stream produced more than `outputCap` bytes.
    bool standardOutputTruncated = false;
    bool standardErrorTruncated = false;

    // True only for an exit with status 0.
    bool succeeded() const { return exited && exitCode == 0; }
};

// The one way this program starts another. The child runs in its own process group with only its
// three standard streams open and default signal dispositions; output is read with poll() and the
// child is always reaped before `run` returns. Engines hold a runner so that tests can pass a
// subclass that answers without starting anything.
class ProcessRunner
{
public:
    virtual ~ProcessRunner() = default;

    // Runs `request` to its end (or its deadline). Blocks the calling thread; safe to call from
    // several threads at once. A request that cannot be started (relative program path, NUL in a
    // string: EINVAL; missing program: ENOENT; not executable: EACCES) is an Error, while a child
    // that fails or is killed is a ProcessOutcome. When the direct child has ended, output still
    // buffered is collected, but descendants that keep the pipes open are not waited for.
    virtual Result<ProcessOutcome> run(const ProcessRequest& request) const;
};

} // namespace qm
