#include "support/FakeAdminPrompt.h"

namespace qm::test {

ProcessOutcome FakeAdminPrompt::exitedWith(int code)
{
    ProcessOutcome outcome;
    outcome.exited = true;
    outcome.exitCode = code;
    return outcome;
}

void FakeAdminPrompt::answer(const ProcessOutcome& outcome)
{
    const std::lock_guard lock(m_mutex);
    m_outcome = outcome;
    m_startError.reset();
    m_shell = false;
}

void FakeAdminPrompt::answerExit(int code, const QByteArray& standardError)
{
    ProcessOutcome outcome = exitedWith(code);
    outcome.standardError = standardError;
    answer(outcome);
}

void FakeAdminPrompt::dismiss()
{
    answerExit(kDismissedExitCode, QByteArray(kDismissedMessage) + '\n');
}

void FakeAdminPrompt::failToStart(const Error& error)
{
    const std::lock_guard lock(m_mutex);
    m_startError = error;
    m_shell = false;
}

void FakeAdminPrompt::runWithShell()
{
    const std::lock_guard lock(m_mutex);
    m_startError.reset();
    m_shell = true;
}

void FakeAdminPrompt::beforeRun(std::function<void(const std::string&)> hook)
{
    const std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

std::vector<std::string> FakeAdminPrompt::commands() const
{
    const std::lock_guard lock(m_mutex);
    return m_commands;
}

qm::Result<ProcessOutcome> FakeAdminPrompt::run(const std::string& command) const
{
    std::function<void(const std::string&)> hook;
    ProcessOutcome outcome;
    std::optional<Error> startError;
    bool shell = false;
    {
        const std::lock_guard lock(m_mutex);
        m_commands.push_back(command);
        hook = m_hook;
        outcome = m_outcome;
        startError = m_startError;
        shell = m_shell;
    }
    if (hook)
        hook(command);
    if (startError)
        return *startError;
    if (!shell)
        return outcome;
    ProcessRequest request;
    request.program = "/bin/sh";
    request.arguments = {"-c", command};
    return ProcessRunner().run(request);
}

} // namespace qm::test
