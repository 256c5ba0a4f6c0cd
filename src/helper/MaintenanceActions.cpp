#include "helper/MaintenanceActions.h"

#include "helper/HelperShell.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace qm {
namespace {

using HelperProtocol::HelperReply;
using SteadyClock = std::chrono::steady_clock;

// The transient units of the three cron folders, in the order of HelperSettings::maintenanceFolders.
// Fixed names also keep a folder from running twice while a unit of an earlier helper is still there.
constexpr std::array<const char*, 3> kMaintenanceUnits{
    "quillmere-maintenance-daily", "quillmere-maintenance-weekly", "quillmere-maintenance-monthly"};

std::size_t indexOf(HelperAction action)
{
    return static_cast<std::size_t>(action);
}

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

// The time one run may still take, and whether it was stopped for running out of it.
struct RunTime
{
    SteadyClock::time_point end;
    bool stopped = false;
};

// Runs one command of a run in the time the run has left. With no time left the command is not
// started (code -1). A command killed at the end of the time, or one that failed once the time was
// up (a transient unit that the service manager stopped at the same limit), stops the run.
HelperShell::Outcome step(const ProcessRunner& runner, RunTime& time, const Path& program,
                          const std::vector<std::string>& arguments)
{
    const auto left = time.end - SteadyClock::now();
    if (time.stopped || left <= SteadyClock::duration::zero()) {
        time.stopped = true;
        return HelperShell::Outcome{};
    }
    const HelperShell::Outcome outcome =
        HelperShell::run(runner, program, arguments, std::chrono::ceil<std::chrono::milliseconds>(left));
    if (outcome.timedOut || (!outcome.ok && SteadyClock::now() >= time.end))
        time.stopped = true;
    return outcome;
}

// `reply`, marked as the answer of a run that was stopped at its limit.
HelperReply finished(HelperReply reply, const RunTime& time, std::chrono::seconds limit)
{
    if (time.stopped)
        reply.message +=
            QStringLiteral(" (stopped after ") + QString::number(limit.count()) + QStringLiteral(" s)");
    return reply;
}

bool isFolder(const Path& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

MaintenanceActions::MaintenanceActions(HelperSettings settings, std::shared_ptr<const ProcessRunner> runner)
    : m_settings(std::move(settings)), m_runner(std::move(runner))
{
    // One run per action, and room for a run to start while the thread of the one before it is still
    // handing out that reply.
    m_runs.setMaxThreadCount(2 * static_cast<int>(HelperActions::all.size()));
}

MaintenanceActions::~MaintenanceActions()
{
    m_runs.waitForDone();
}

void MaintenanceActions::perform(const QString& rawAction, Delivery deliver)
{
    const std::optional<HelperAction> action = HelperActions::fromRaw(rawAction);
    if (!action) {
        deliver(HelperReply{false, QStringLiteral("Unknown action")});
        return;
    }
    perform(*action, std::move(deliver));
}

void MaintenanceActions::perform(HelperAction action, Delivery deliver)
{
    const std::size_t index = indexOf(action);
    {
        const std::lock_guard lock(m_mutex);
        std::optional<std::vector<Delivery>>& waiting = m_waiting.at(index);
        const bool running = waiting.has_value();
        if (!running)
            waiting.emplace();
        waiting->push_back(std::move(deliver));
        if (running)
            return;
    }
    m_runs.start([this, action, index] {
        const HelperReply reply = run(action);
        std::vector<Delivery> callers;
        {
            // Callers that come after this point start the next run.
            const std::lock_guard lock(m_mutex);
            callers = std::move(*m_waiting.at(index));
            m_waiting.at(index).reset();
        }
        for (const Delivery& deliver : callers)
            deliver(reply);
    });
}

HelperReply MaintenanceActions::run(HelperAction action) const
{
    const std::chrono::seconds limit = m_settings.runLimits.at(indexOf(action));
    switch (action) {
    case HelperAction::freeMemory:
        return freeMemory(limit);
    case HelperAction::flushDNS:
        return flushDns(limit);
    case HelperAction::runMaintenance:
        return runMaintenance(limit);
    }
    return HelperReply{false, QStringLiteral("Unknown action")};
}

HelperReply MaintenanceActions::freeMemory(std::chrono::seconds limit) const
{
    RunTime time{SteadyClock::now() + limit};
    // Dirty pages are written out first so that dropping the caches frees as much as it can.
    const HelperShell::Outcome sync = step(*m_runner, time, m_settings.syncProgram, {});
    const int code = !sync.ok ? sync.code : dropCaches(m_settings.dropCaches) ? 0 : 1;
    if (code == 0)
        return finished(HelperReply{true, QStringLiteral("Page cache dropped")}, time, limit);
    return finished(
        HelperReply{false, QStringLiteral("drop_caches failed (") + QString::number(code) + QLatin1Char(')')},
        time, limit);
}

HelperReply MaintenanceActions::flushDns(std::chrono::seconds limit) const
{
    RunTime time{SteadyClock::now() + limit};
    // Both always run (unless the run is stopped); only the resolver's own flush decides the outcome.
    const HelperShell::Outcome flush = step(*m_runner, time, m_settings.resolvectlProgram, {"flush-caches"});
    const HelperShell::Outcome invalidate =
        step(*m_runner, time, m_settings.nscdProgram, {"--invalidate=hosts"});
    if (!flush.ok)
        return finished(HelperReply{false, QStringLiteral("Flush failed")}, time, limit);
    if (!invalidate.ok)
        return finished(HelperReply{true, QStringLiteral("DNS cache flushed (responder not re-signalled)")},
                        time, limit);
    return finished(HelperReply{true, QStringLiteral("DNS cache flushed")}, time, limit);
}

HelperReply MaintenanceActions::runMaintenance(std::chrono::seconds limit) const
{
    const HelperReply cannotStart{false, QStringLiteral("run-parts failed (-1)")};
    // The cron scripts need the whole system, which only the service manager can give them.
    if (!isFolder(m_settings.systemRoot / "run/systemd/system"))
        return cannotStart;
    // Checked here, since inside a unit a missing program is only an exit status.
    if (::access(m_settings.runPartsProgram.c_str(), X_OK) != 0)
        return cannotStart;

    RunTime time{SteadyClock::now() + limit};
    // All three folders run even after a failure; the first failure's code is the one reported.
    std::optional<int> firstFailure;
    for (std::size_t i = 0; i < m_settings.maintenanceFolders.size() && !time.stopped; ++i) {
        const auto left = std::chrono::ceil<std::chrono::seconds>(
            std::max(SteadyClock::duration::zero(), time.end - SteadyClock::now()));
        const std::vector<std::string> arguments{std::string("--unit=") + kMaintenanceUnits.at(i),
                                                 "--wait",
                                                 "--collect",
                                                 "--quiet",
                                                 "--property=RuntimeMaxSec=" +
                                                     std::to_string(std::max<long long>(1, left.count())),
                                                 m_settings.runPartsProgram.native(),
                                                 m_settings.maintenanceFolders.at(i).native()};
        const HelperShell::Outcome outcome = step(*m_runner, time, m_settings.systemdRunProgram, arguments);
        if (!outcome.ok && !firstFailure)
            firstFailure = outcome.code;
    }
    if (!firstFailure)
        return finished(HelperReply{true, QStringLiteral("Maintenance scripts ran")}, time, limit);
    return finished(HelperReply{false, QStringLiteral("run-parts failed (") + QString::number(*firstFailure) +
                                           QLatin1Char(')')},
                    time, limit);
}

} // namespace qm
