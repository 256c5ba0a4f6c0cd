#pragma once

#include "platform/AdminPrompt.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qm::test {

// An administrator prompt without a prompt. By default it answers every command with a clean exit
// (status 0, no output); a test may set another outcome, make the start fail, or have the command
// really run through a plain `/bin/sh -c` as this process's own user. Records every command. Safe
// from several threads.
class FakeAdminPrompt final : public AdminPrompt
{
public:
    // Every later command answers `outcome` without running.
    void answer(const ProcessOutcome& outcome);
    // Every later command answers the exit status `code` with `standardError`.
    void answerExit(int code, const QByteArray& standardError = {});
    // Every later command answers as pkexec does when the user dismisses the prompt: exit status 126
    // and pkexec's message on standard error.
    void dismiss();
    // Every later command fails to start with `error`.
    void failToStart(const Error& error);
    // Every later command runs through /bin/sh -c and answers how that ended.
    void runWithShell();
    // Called with each command, on the calling thread, just before it is answered or run.
    void beforeRun(std::function<void(const std::string& command)> hook);

    // Every command so far, in order.
    std::vector<std::string> commands() const;

    qm::Result<ProcessOutcome> run(const std::string& command) const override;

private:
    mutable std::mutex m_mutex;
    mutable std::vector<std::string> m_commands;
    ProcessOutcome m_outcome = exitedWith(0);
    std::optional<Error> m_startError;
    bool m_shell = false;
    std::function<void(const std::string&)> m_hook;

    static ProcessOutcome exitedWith(int code);
};

} // namespace qm::test
