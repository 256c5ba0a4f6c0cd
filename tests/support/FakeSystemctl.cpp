#include "support/FakeSystemctl.h"

#include <algorithm>

namespace qm::test {
namespace {

ProcessOutcome exitWith(int code)
{
    ProcessOutcome outcome;
    outcome.exited = true;
    outcome.exitCode = code;
    return outcome;
}

} // namespace

Result<ProcessOutcome> FakeSystemctl::run(const ProcessRequest& request) const
{
    std::vector<std::string> arguments = request.arguments;
    QStringList words;
    for (const std::string& argument : arguments)
        words.append(QString::fromStdString(argument));
    const std::lock_guard lock(m_mutex);
    m_calls.append(words.join(u' '));
    if (request.program != "/bin/systemctl" || !request.deadline)
        return exitWith(2);
    if (!arguments.empty() && arguments.front() == "--user")
        arguments.erase(arguments.begin());
    if (arguments.empty())
        return exitWith(2);
    const std::string verb = arguments.front();
    if (verb == "daemon-reload")
        return exitWith(0);
    const auto dashes = std::find(arguments.begin(), arguments.end(), "--");
    if (dashes == arguments.end() || dashes + 1 == arguments.end())
        return exitWith(2);
    const std::string& unit = *(dashes + 1);
    if (verb == "is-active")
        return exitWith(m_active.contains(unit) ? 0 : 3);
    if (verb == "stop") {
        m_active.erase(unit);
        return exitWith(0);
    }
    if (verb == "start") {
        m_active.insert(unit);
        return exitWith(0);
    }
    return exitWith(2);
}

void FakeSystemctl::setActive(const std::string& unit, bool active)
{
    const std::lock_guard lock(m_mutex);
    if (active)
        m_active.insert(unit);
    else
        m_active.erase(unit);
}

bool FakeSystemctl::isActive(const std::string& unit) const
{
    const std::lock_guard lock(m_mutex);
    return m_active.contains(unit);
}

QStringList FakeSystemctl::calls() const
{
    const std::lock_guard lock(m_mutex);
    return m_calls;
}

} // namespace qm::test
