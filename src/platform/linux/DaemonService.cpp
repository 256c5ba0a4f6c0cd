#include "platform/DaemonService.h"

#include "platform/AdminPrompt.h"

#include <QStringDecoder>

#include <sys/stat.h>

#include <cerrno>

namespace qm {
namespace {

// A query that takes longer than this is not answered (milliseconds).
constexpr std::chrono::milliseconds kQueryDeadline{30'000};

const QString kNoSystemd =
    QStringLiteral("The privileged helper needs systemd, which isn't running on this system.");

QString decoded(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    return QString(decoder.decode(bytes)).trimmed();
}

} // namespace

DaemonService::DaemonService(QString unitName, std::shared_ptr<const ProcessRunner> runner,
                             Path systemdRuntimeDirectory)
    : m_unitName(std::move(unitName)),
      m_runner(runner ? std::move(runner) : std::make_shared<ProcessRunner>()),
      m_systemdRuntimeDirectory(std::move(systemdRuntimeDirectory))
{}

DaemonService::~DaemonService() = default;

Path DaemonService::systemctlProgram()
{
    return "/bin/systemctl";
}

Path DaemonService::pkexecProgram()
{
    return "/usr/bin/pkexec";
}

bool DaemonService::systemdRuns() const
{
    struct stat st;
    return ::stat(m_systemdRuntimeDirectory.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Result<DaemonService::Status> DaemonService::status() const
{
    if (!systemdRuns())
        return Error(ErrorDomain::Posix, ENOSYS, kNoSystemd);
    ProcessRequest request;
    request.program = systemctlProgram();
    request.arguments = {"is-enabled", m_unitName.toStdString()};
    request.deadline = kQueryDeadline;
    request.outputCap = 64 * 1024;
    const Result<ProcessOutcome> outcome = m_runner->run(request);
    if (!outcome) {
        return Error(ErrorDomain::Posix, outcome.error().code(),
                     QStringLiteral("Couldn't ask systemd about the privileged helper."));
    }
    if (outcome->timedOut)
        return Status::unknown;
    // The state is the first line on standard output, whatever the exit status.
    const QString answer = decoded(outcome->standardOutput).section(QLatin1Char('\n'), 0, 0).trimmed();
    if (answer == QLatin1String("enabled"))
        return Status::enabled;
    if (answer == QLatin1String("disabled"))
        return Status::notRegistered;
    if (answer == QLatin1String("not-found"))
        return Status::notFound;
    // Older systemd names a missing unit only on standard error.
    if (answer.isEmpty() &&
        decoded(outcome->standardError).contains(QLatin1String("No such file or directory")))
        return Status::notFound;
    return Status::unknown;
}

Result<void> DaemonService::changeRegistration(const std::vector<std::string>& verb,
                                               const QString& fallbackMessage) const
{
    // No prompt for a change that cannot happen.
    if (!systemdRuns())
        return Error(ErrorDomain::Posix, ENOSYS, kNoSystemd);
    ProcessRequest request;
    request.program = pkexecProgram();
    request.arguments = {systemctlProgram().native()};
    request.arguments.insert(request.arguments.end(), verb.begin(), verb.end());
    request.arguments.push_back(m_unitName.toStdString());
    request.outputCap = 1024 * 1024;
    const Result<ProcessOutcome> outcome = m_runner->run(request);
    if (!outcome) {
        return Error(ErrorDomain::Posix, outcome.error().code(),
                     QStringLiteral("The administrator prompt (pkexec) couldn't be started."));
    }
    if (outcome->succeeded())
        return {};
    if (AdminPrompt::isDismissal(*outcome))
        return Error(ErrorDomain::Posix, ECANCELED, QStringLiteral("Cancelled"));
    // What pkexec and systemctl write is for an administrator's terminal: the user reads the cause in
    // one sentence of ours instead.
    return Error(ErrorDomain::Posix, EIO, failureSentence(*outcome, fallbackMessage));
}

QString DaemonService::failureSentence(const ProcessOutcome& outcome, const QString& fallbackMessage)
{
    const QString text = decoded(outcome.standardError);
    const auto says = [&](const char* words) {
        return text.contains(QLatin1String(words), Qt::CaseInsensitive);
    };
    // pkexec finds no polkit authority to ask (the polkit service is missing, stopped or off the bus).
    if (says("Error getting authority") || says("Error initializing authority"))
        return QStringLiteral("The administrator prompt can't be shown because polkit can't be reached.");
    if (says("Not authorized"))
        return QStringLiteral("The administrator didn't authorise the change.");
    // systemctl finds no unit file: the helper was never installed with Quillmere.
    if (says("does not exist") || says("not found") || says("No such file or directory"))
        return QStringLiteral("Quillmere isn't installed on this system, so it has no helper to register.");
    if (says("System has not been booted with systemd") || says("Failed to connect to bus"))
        return kNoSystemd;
    return fallbackMessage;
}

Result<void> DaemonService::registerDaemon() const
{
    return changeRegistration({"enable"}, QStringLiteral("The privileged helper couldn't be registered."));
}

Result<void> DaemonService::unregisterDaemon() const
{
    return changeRegistration({"disable", "--now"},
                              QStringLiteral("The privileged helper couldn't be removed."));
}

} // namespace qm
