#include "platform/AdminPrompt.h"

#include <QList>

#include <algorithm>

namespace qm {

AdminPrompt::AdminPrompt(std::shared_ptr<const ProcessRunner> runner)
    : m_runner(runner ? std::move(runner) : std::make_shared<ProcessRunner>())
{}

AdminPrompt::~AdminPrompt() = default;

ProcessRequest AdminPrompt::request(const std::string& command)
{
    ProcessRequest request;
    request.program = "/usr/bin/pkexec";
    request.arguments = {"/bin/sh", "-c", command};
    // What the command prints is only ever shown as one short sentence.
    request.outputCap = 1024 * 1024;
    return request;
}

Result<ProcessOutcome> AdminPrompt::run(const std::string& command) const
{
    return m_runner->run(request(command));
}

bool AdminPrompt::isDismissal(const ProcessOutcome& outcome)
{
    if (!outcome.exited || outcome.exitCode != kDismissedExitCode)
        return false;
    // pkexec prints its reason on a line of its own (GLib may warn on other lines first).
    const QByteArray message(kDismissedMessage);
    const QList<QByteArray> lines = outcome.standardError.split('\n');
    return std::any_of(lines.begin(), lines.end(),
                       [&message](const QByteArray& line) { return line == message; });
}

} // namespace qm
