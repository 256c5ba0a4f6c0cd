#include "protocol/HelperAction.h"

#include <system_error>

namespace qm::HelperActions {

QString toRaw(HelperAction action)
{
    switch (action) {
    case HelperAction::freeMemory:
        return QStringLiteral("freeMemory");
    case HelperAction::flushDNS:
        return QStringLiteral("flushDNS");
    case HelperAction::runMaintenance:
        return QStringLiteral("runMaintenance");
    }
    return {};
}

std::optional<HelperAction> fromRaw(const QString& raw)
{
    for (const HelperAction action : all) {
        if (toRaw(action) == raw)
            return action;
    }
    return std::nullopt;
}

QString id(HelperAction action)
{
    return toRaw(action);
}

std::chrono::milliseconds replyDeadline(HelperAction action)
{
    switch (action) {
    case HelperAction::freeMemory:
        return std::chrono::seconds(60);
    case HelperAction::flushDNS:
        return std::chrono::seconds(20);
    case HelperAction::runMaintenance:
        return std::chrono::seconds(180);
    }
    return std::chrono::seconds(60);
}

std::chrono::milliseconds pendingHold(HelperAction action)
{
    switch (action) {
    case HelperAction::freeMemory:
        return std::chrono::seconds(30);
    case HelperAction::flushDNS:
        return std::chrono::seconds(15);
    case HelperAction::runMaintenance:
        return std::chrono::seconds(600);
    }
    return std::chrono::seconds(30);
}

std::chrono::seconds runLimit(HelperAction action)
{
    return std::chrono::duration_cast<std::chrono::seconds>(replyDeadline(action) + pendingHold(action));
}

std::filesystem::path maintenanceProgram()
{
    return "/bin/run-parts";
}

std::vector<HelperAction> available(const std::filesystem::path& maintenanceProgram)
{
    std::vector<HelperAction> actions{HelperAction::freeMemory, HelperAction::flushDNS};
    std::error_code error;
    if (std::filesystem::exists(maintenanceProgram, error))
        actions.push_back(HelperAction::runMaintenance);
    return actions;
}

std::vector<HelperAction> available()
{
    return available(maintenanceProgram());
}

} // namespace qm::HelperActions
