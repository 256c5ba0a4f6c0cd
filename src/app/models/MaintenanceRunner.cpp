#include "app/models/MaintenanceRunner.h"

#include <utility>

namespace qm {
namespace {

HelperClient::Status statusOf(const HelperClient* helper)
{
    return helper != nullptr ? helper->status() : HelperClient::Status::notInstalled;
}

} // namespace

MaintenanceRunner::MaintenanceRunner(QObject* parent) : QObject(parent) {}

void MaintenanceRunner::setHelper(HelperClient* helper)
{
    if (m_helper == helper)
        return;
    if (m_helper != nullptr)
        disconnect(m_helper, nullptr, this, nullptr);
    m_helper = helper;
    if (helper != nullptr)
        connect(helper, &HelperClient::statusChanged, this, &MaintenanceRunner::statusChanged);
    emit helperChanged();
    emit statusChanged();
}

QString MaintenanceRunner::statusKind() const
{
    switch (statusOf(m_helper)) {
    case HelperClient::Status::notInstalled:
        return QStringLiteral("notInstalled");
    case HelperClient::Status::requiresApproval:
        return QStringLiteral("requiresApproval");
    case HelperClient::Status::installed:
        return QStringLiteral("installed");
    case HelperClient::Status::unavailable:
        break;
    }
    return QStringLiteral("unavailable");
}

QString MaintenanceRunner::badgeText() const
{
    switch (statusOf(m_helper)) {
    case HelperClient::Status::notInstalled:
        return QStringLiteral("Not installed");
    case HelperClient::Status::requiresApproval:
        return QStringLiteral("Needs approval");
    case HelperClient::Status::installed:
        return QStringLiteral("Helper installed");
    case HelperClient::Status::unavailable:
        break;
    }
    return QStringLiteral("Unavailable");
}

QString MaintenanceRunner::badgeSymbol() const
{
    switch (statusOf(m_helper)) {
    case HelperClient::Status::notInstalled:
        return QStringLiteral("circle.dashed");
    case HelperClient::Status::requiresApproval:
        return QStringLiteral("person.badge.clock");
    case HelperClient::Status::installed:
        return QStringLiteral("checkmark.circle.fill");
    case HelperClient::Status::unavailable:
        break;
    }
    return QStringLiteral("minus.circle");
}

QString MaintenanceRunner::footerText() const
{
    switch (statusOf(m_helper)) {
    case HelperClient::Status::notInstalled:
        return QStringLiteral(
            "Actions ask for your password each time. Installing the background helper lets them run "
            "silently.");
    case HelperClient::Status::requiresApproval:
        return QStringLiteral(
            "Actions will ask for your password until Quillmere's background helper is approved.");
    case HelperClient::Status::installed:
        return QStringLiteral(
            "These run as root. Quillmere's background helper runs them silently for the installed "
            "Quillmere when polkit allows it; otherwise the system will ask for your password.");
    case HelperClient::Status::unavailable:
        break;
    }
    // Concatenated, never through arg(): the message is the service manager's text.
    return QStringLiteral(
               "Actions will ask for your password each time. (The silent background helper needs systemd "
               "and an installed Quillmere: ") +
           m_helper->statusMessage() + QLatin1Char(')');
}

QStringList MaintenanceRunner::availableActions() const
{
    QStringList ids;
    for (HelperAction action : HelperActions::available())
        ids.append(HelperActions::id(action));
    return ids;
}

QString MaintenanceRunner::title(HelperAction action)
{
    switch (action) {
    case HelperAction::freeMemory:
        return QStringLiteral("Free up memory");
    case HelperAction::flushDNS:
        return QStringLiteral("Flush DNS cache");
    case HelperAction::runMaintenance:
        break;
    }
    return QStringLiteral("Run maintenance scripts");
}

QVariantMap MaintenanceRunner::describe(const QString& id) const
{
    const std::optional<HelperAction> action = HelperActions::fromRaw(id);
    if (!action)
        return {};
    QString symbol;
    QString subtitle;
    switch (*action) {
    case HelperAction::freeMemory:
        symbol = QStringLiteral("memorychip");
        subtitle = QStringLiteral("Drop the page cache (drop_caches)");
        break;
    case HelperAction::flushDNS:
        symbol = QStringLiteral("network");
        subtitle = QStringLiteral("Clear cached name lookups (resolvectl, nscd)");
        break;
    case HelperAction::runMaintenance:
        symbol = QStringLiteral("wrench.and.screwdriver");
        subtitle = QStringLiteral("Run the daily, weekly and monthly cron jobs");
        break;
    }
    return QVariantMap{{QStringLiteral("id"), id},
                       {QStringLiteral("symbol"), symbol},
                       {QStringLiteral("title"), title(*action)},
                       {QStringLiteral("subtitle"), subtitle}};
}

void MaintenanceRunner::run(const QString& id)
{
    const std::optional<HelperAction> action = HelperActions::fromRaw(id);
    if (!action || m_helper == nullptr || !m_running.isEmpty())
        return;
    m_running = id;
    emit runningActionChanged();
    if (!m_message.isEmpty()) {
        m_message.clear();
        emit helperMessageChanged();
    }
    const QString name = title(*action);
    // A refusal is answered before perform returns; the line is set then all the same.
    m_helper->perform(*action,
                      [self = QPointer<MaintenanceRunner>(this), name](const HelperClient::Answer& answer) {
                          if (self == nullptr)
                              return;
                          self->finish((answer.ok ? QStringLiteral("\u2713 ") : QStringLiteral("\u2715 ")) +
                                       name + QStringLiteral(" \u2014 ") + answer.message);
                      });
}

void MaintenanceRunner::finish(const QString& line)
{
    m_running.clear();
    emit runningActionChanged();
    m_message = line;
    emit helperMessageChanged();
}

} // namespace qm
