#include "helper/HelperShell.h"

#include <unistd.h>

#include <cerrno>

namespace qm::HelperShell {
namespace {

constexpr qint64 kForwardedBytes = 1024 * 1024;

void writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // nowhere to pass it on to: the command's result still counts
        done += n;
    }
}

} // namespace

Outcome run(const ProcessRunner& runner, const Path& program, const std::vector<std::string>& arguments,
            std::optional<std::chrono::milliseconds> deadline)
{
    ProcessRequest request;
    request.program = program;
    request.arguments = arguments;
    request.outputCap = kForwardedBytes;
    request.deadline = deadline;
    const Result<ProcessOutcome> result = runner.run(request);
    if (!result)
        return Outcome{false, -1};
    writeAll(STDOUT_FILENO, result->standardOutput);
    writeAll(STDERR_FILENO, result->standardError);
    if (!result->exited)
        return Outcome{false, result->signal, result->timedOut};
    return Outcome{result->exitCode == 0, result->exitCode, result->timedOut};
}

} // namespace qm::HelperShell
