#include "platform/DaemonService.h"

#include "platform/AdminPrompt.h"

#include <QStringDecoder>

#include <sys/stat.h>

#include <cerrno>

namespace qm {
namespace {

// A query that takes longer than this is not answered (milliseconds).
constexpr std::chrono::milliseconds kQueryDeadline{30'000};

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

Result<DaemonService::Status> DaemonService::status() const
{
    struct stat st;
    if (::stat(m_systemdRuntimeDirectory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return Error(
            ErrorDomain::Posix, ENOSYS,
            QStringLiteral("The privileged helper needs systemd, which isn't running on this system."));
    }
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
    ProcessRequest request;
    request.program = pkexecProgram();
    request.arguments = {systemctlProgram().native()};
    request.arguments.insert(request.arguments.end(), verb.begin(), verb.end());
    request.arguments.push_back(m_unitName.toStdString());
    request.outputCap = 1024 * 1024;
    const Result<ProcessOutcome> outcome = m_runner->run(request);
    if (!outcome)
        return Error(ErrorDomain::Posix, outcome.error().code(), outcome.error().description());
    if (outcome->succeeded())
        return {};
    if (AdminPrompt::isDismissal(*outcome))
        return Error(ErrorDomain::Posix, ECANCELED, QStringLiteral("Cancelled"));
    const QString text = decoded(outcome->standardError);
    return Error(ErrorDomain::Posix, EIO, text.isEmpty() ? fallbackMessage : text);
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
