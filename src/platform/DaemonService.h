#pragma once

#include "platform/FileSystem.h"
#include "platform/ProcessRunner.h"
#include "platform/Result.h"

#include <QString>

#include <memory>

namespace qm {

// The registration of a root daemon with the system's service manager: here a systemd unit whose
// D-Bus alias lets the bus start the daemon on demand. Registering enables the unit and unregistering
// disables and stops it, each through `pkexec systemctl`, so both show the administrator prompt and
// block their thread until it is answered (no time limit): keep them off the GUI thread. Tests
// subclass it to answer without systemd.
class DaemonService
{
public:
    // What the service manager says about the unit.
    enum class Status {
        notRegistered,    // the unit exists and is disabled
        enabled,          // the unit is enabled: the bus may start the daemon
        requiresApproval, // never reported on this system; kept so callers map every state
        notFound,         // no such unit is installed
        unknown           // any other answer (masked, static, linked, a query that hung, ...)
    };

    // `unitName` is the unit to manage, e.g. "com.vellora.helper.service". Queries run through `runner`
    // (null: a plain ProcessRunner); the service manager counts as running only while
    // `systemdRuntimeDirectory` exists.
    explicit DaemonService(QString unitName, std::shared_ptr<const ProcessRunner> runner = nullptr,
                           Path systemdRuntimeDirectory = "/run/systemd/system");
    virtual ~DaemonService();

    // `systemctl is-enabled UNIT`: "enabled", "disabled" and "not-found" (or systemd's "No such file
    // or directory") map to their states, anything else to unknown. An Error, whose description is
    // a sentence for the user, when systemd does not run here (ENOSYS) or systemctl could not be
    // started.
    virtual Result<Status> status() const;
    // `pkexec systemctl enable UNIT`. ECANCELED (described "Cancelled") when the prompt was dismissed;
    // ENOSYS without a prompt when systemd does not run here; any other failure is described by one
    // sentence for the user that names the cause (polkit can't be reached, Quillmere isn't installed,
    // ...), never by pkexec's or systemctl's own words.
    virtual Result<void> registerDaemon() const;
    // `pkexec systemctl disable --now UNIT`, with the same errors as registerDaemon.
    virtual Result<void> unregisterDaemon() const;

    const QString& unitName() const { return m_unitName; }

    // The programs used: "/bin/systemctl" and "/usr/bin/pkexec".
    static Path systemctlProgram();
    static Path pkexecProgram();

    // The sentence for the user that says why a registration change ended with `outcome`: the cause
    // read from pkexec's and systemctl's error text, else `fallbackMessage`.
    static QString failureSentence(const ProcessOutcome& outcome, const QString& fallbackMessage);

private:
    // Whether the service manager runs (its runtime folder exists).
    bool systemdRuns() const;
    Result<void> changeRegistration(const std::vector<std::string>& verb,
                                    const QString& fallbackMessage) const;

    QString m_unitName;
    std::shared_ptr<const ProcessRunner> m_runner;
    Path m_systemdRuntimeDirectory;
};

} // namespace qm
