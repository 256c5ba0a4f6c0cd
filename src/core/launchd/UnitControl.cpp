#include "core/launchd/UnitControl.h"

#include <unistd.h>

namespace qm {
namespace {

// Whether systemctl takes `unit` as the name of one unit: only the characters systemd allows in a unit
// name, a type after the last dot, at most 255 bytes. A name holding "*", "?" or "[" would be read as
// a pattern over every loaded unit, so a file named "*.service" could stop them all.
bool namesOneUnit(const std::string& unit)
{
    const std::size_t dot = unit.rfind('.');
    if (unit.size() > 255 || dot == std::string::npos || dot == 0 || dot + 1 == unit.size())
        return false;
    for (const char c : unit) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                             c == ':' || c == '-' || c == '_' || c == '.' || c == '\\' || c == '@';
        if (!allowed)
            return false;
    }
    return true;
}

} // namespace

UnitControl::UnitControl(Manager manager, std::shared_ptr<const ProcessRunner> runner, Path systemctl)
    : m_manager(manager), m_runner(runner ? std::move(runner) : std::make_shared<const ProcessRunner>()),
      m_systemctl(std::move(systemctl))
{}

bool UnitControl::run(std::vector<std::string> arguments) const
{
    ProcessRequest request;
    request.program = m_systemctl;
    if (m_manager == Manager::user) {
        arguments.insert(arguments.begin(), "--user");
        // The user's manager is reached through this user's runtime folder, never one from the
        // environment.
        request.environment.push_back("XDG_RUNTIME_DIR=/run/user/" + std::to_string(::getuid()));
    }
    request.arguments = std::move(arguments);
    request.deadline = kTimeLimit;
    request.outputCap = 64 * 1024;
    const Result<ProcessOutcome> outcome = m_runner->run(request);
    return outcome && outcome->succeeded();
}

bool UnitControl::isActive(const std::string& unit) const
{
    return namesOneUnit(unit) && run({"is-active", "--quiet", "--", unit});
}

bool UnitControl::stop(const std::string& unit) const
{
    return namesOneUnit(unit) && run({"stop", "--", unit});
}

bool UnitControl::start(const std::string& unit) const
{
    return namesOneUnit(unit) && run({"start", "--", unit});
}

bool UnitControl::reload() const
{
    return run({"daemon-reload"});
}

} // namespace qm
