#pragma once

#include <QDBusMessage>
#include <QString>

// The helper's side of polkit: the question it asks polkit's authority on the system bus and how it
// reads the answer. Only messages are built and read here; sending them (never waiting on the
// dispatch thread) is the caller's business.
namespace qm::PolkitAuthority {

// The action a maintenance action and the version call are authorised under:
// "com.vellora.helper.maintenance".
QString maintenanceAction();
// The action a removal is authorised under: "com.vellora.helper.remove-threat".
QString removeThreatAction();

// org.freedesktop.PolicyKit1.Authority.CheckAuthorization for the bus connection `busName` (subject
// "system-bus-name") and `actionId`, with no details, no cancellation id and no flags: polkit never
// asks anyone for a password on the helper's behalf, so whatever needs one is refused.
QDBusMessage checkAuthorizationCall(const QString& busName, const QString& actionId);

// True only for a reply of the shape (bba{ss}) whose first member says authorised. An error, a reply
// of another shape and a challenge (authorised only after a password) are all false.
bool isAuthorized(const QDBusMessage& reply);

} // namespace qm::PolkitAuthority
