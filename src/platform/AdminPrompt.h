#pragma once

#include "platform/ProcessRunner.h"
#include "platform/Result.h"

#include <memory>
#include <string>

namespace qm {

// Runs one shell command as root after the system's administrator password prompt:
// `pkexec /bin/sh -c COMMAND`. The command travels as a single argument and is read by that shell
// alone, so it needs shell quoting only. The call blocks its thread while the prompt is open and the
// command runs, without a time limit: keep it off the GUI thread. Tests subclass it to answer without
// a prompt.
class AdminPrompt
{
public:
    // pkexec's exit status when the user dismissed the prompt. A command may exit with it too: only
    // `isDismissal` tells the two apart.
    static constexpr int kDismissedExitCode = 126;
    // The line pkexec writes to standard error, with kDismissedExitCode, when the prompt was dismissed.
    static constexpr const char* kDismissedMessage =
        "Error executing command as another user: Request dismissed";

    // Starts pkexec through `runner` (null: a plain ProcessRunner).
    explicit AdminPrompt(std::shared_ptr<const ProcessRunner> runner = nullptr);
    virtual ~AdminPrompt();

    // Runs `command` (raw bytes without a NUL) as root and answers how it ended: pkexec's dismissal
    // (see `isDismissal`) when the prompt was dismissed, pkexec's 127 when authorisation failed,
    // otherwise the command's own status and output. An Error only when pkexec could not be started at
    // all.
    virtual Result<ProcessOutcome> run(const std::string& command) const;

    // True when `outcome` is pkexec reporting a dismissed prompt: exit status kDismissedExitCode with
    // kDismissedMessage as a line of standard error. A command that exits 126 itself is not a dismissal.
    static bool isDismissal(const ProcessOutcome& outcome);

    // The request `run` hands to the runner: /usr/bin/pkexec with "/bin/sh", "-c" and `command`.
    static ProcessRequest request(const std::string& command);

private:
    std::shared_ptr<const ProcessRunner> m_runner;
};

} // namespace qm
