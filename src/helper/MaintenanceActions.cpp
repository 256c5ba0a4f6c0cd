#include "helper/MaintenanceActions.h"

#include "helper/HelperShell.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace qm {
namespace {

using HelperProtocol::HelperReply;

// Asks the kernel to drop clean page-cache, dentry and inode memory. True when "3" was accepted.
bool dropCaches(const Path& control)
{
    // No O_CREAT: the control file is the kernel's; a missing one is a failure, never a new file.
    const UniqueFd fd(
        ::open(control.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        return false;
    while (true) {
        const ssize_t n = ::write(fd.get(), "3", 1);
        if (n == 1)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
}

} // namespace

MaintenanceActions::MaintenanceActions(HelperSettings settings, std::shared_ptr<const ProcessRunner> runner)
    : m_settings(std::move(settings)), m_runner(std::move(runner))
{}

HelperReply MaintenanceActions::perform(const QString& rawAction) const
{
    const std::optional<HelperAction> action = HelperActions::fromRaw(rawAction);
    if (!action)
        return HelperReply{false, QStringLiteral("Unknown action")};
    return perform(*action);
}

HelperReply MaintenanceActions::perform(HelperAction action) const
{
    switch (action) {
    case HelperAction::freeMemory:
        return freeMemory();
    case HelperAction::flushDNS:
        return flushDns();
    case HelperAction::runMaintenance:
        return runMaintenance();
    }
    return HelperReply{false, QStringLiteral("Unknown action")};
}

HelperReply MaintenanceActions::freeMemory() const
{
    // Dirty pages are written out first so that dropping the caches frees as much as it can.
    const HelperShell::Outcome sync = HelperShell::run(*m_runner, m_settings.syncProgram, {});
    const int code = !sync.ok ? sync.code : dropCaches(m_settings.dropCaches) ? 0 : 1;
    if (code == 0)
        return HelperReply{true, QStringLiteral("Inactive memory purged")};
    return HelperReply{false, QStringLiteral("purge failed (") + QString::number(code) + QLatin1Char(')')};
}

HelperReply MaintenanceActions::flushDns() const
{
    // Both always run; only the resolver's own flush decides the outcome.
    const HelperShell::Outcome flush =
        HelperShell::run(*m_runner, m_settings.resolvectlProgram, {"flush-caches"});
    const HelperShell::Outcome invalidate =
        HelperShell::run(*m_runner, m_settings.nscdProgram, {"--invalidate=hosts"});
    if (!flush.ok)
        return HelperReply{false, QStringLiteral("Flush failed")};
    if (!invalidate.ok)
        return HelperReply{true, QStringLiteral("DNS cache flushed (responder not re-signalled)")};
    return HelperReply{true, QStringLiteral("DNS cache flushed")};
}

HelperReply MaintenanceActions::runMaintenance() const
{
    // All three folders run even after a failure; the first failure's code is the one reported.
    std::optional<int> firstFailure;
    for (const Path& folder : m_settings.maintenanceFolders) {
        const HelperShell::Outcome outcome =
            HelperShell::run(*m_runner, m_settings.runPartsProgram, {folder.native()});
        if (!outcome.ok && !firstFailure)
            firstFailure = outcome.code;
    }
    if (!firstFailure)
        return HelperReply{true, QStringLiteral("Maintenance scripts ran")};
    return HelperReply{false, QStringLiteral("periodic failed (") + QString::number(*firstFailure) +
                                  QLatin1Char(')')};
}

} // namespace qm
