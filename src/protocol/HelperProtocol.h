#pragma once

#include <QDBusMessage>
#include <QString>
#include <QStringList>

#include <optional>

// The contract between the application and the root helper on the D-Bus system bus: names, the three
// methods with their argument signatures, and the marshalling of calls and replies. Compiled into both
// programs so both sides agree on every name. Time limits and the handling of a lost helper belong to
// the application's client, not here.
namespace qm::HelperProtocol {

// The bus name the helper owns: "com.vellora.helper".
QString serviceName();
// The helper's one object: "/com/vellora/helper".
QString objectPath();
// The interface that carries the three methods: "com.vellora.helper".
QString interfaceName();
// The systemd unit that runs the helper: "com.vellora.helper.service". Enabling it installs the alias
// "dbus-com.vellora.helper.service", through which the bus starts the helper on demand.
QString systemdUnitName();
// What the version method answers: "1.0".
QString helperVersion();

// Method names and their argument signatures. `version` takes nothing and answers a string;
// `performAction` takes the raw value of a HelperAction ("s") and `removeSystemThreat` a label (kept
// for the message's shape; the helper names no job by it) and a list of absolute paths ("sas"); both answer a
// Boolean and a finished sentence ("bs").
QString versionMethod();
QString performActionMethod();
QString removeSystemThreatMethod();
QString performActionSignature();
QString removeSystemThreatSignature();
QString replySignature();

// The D-Bus error a caller gets when the helper does not admit it: its process does not run the
// installed application, or polkit does not authorise it (or cannot be asked).
QString accessDeniedError();
// The D-Bus error for a call whose arguments do not match the method's signature.
QString invalidArgsError();
// The D-Bus error for a method this interface does not have.
QString unknownMethodError();
// The D-Bus error for an action or removal sent while the helper already holds as many unanswered
// ones as it takes; nothing of it runs, and it may be sent again later.
QString limitsExceededError();
// Whether `answer` is the bus itself turning a call away for its limits (a limits-exceeded error sent
// by the bus, not by the helper): most often the bus's queue of messages for the helper is full. Nothing
// of the call reached the helper, so the same call may be sent again; the helper's own limits-exceeded
// answers are not such a refusal.
bool isRefusedByBusLimits(const QDBusMessage& answer);

// The most the arguments of one call may hold, in UTF-16 code units of the decoded strings: an action
// name at most kMaxActionNameLength, a removal's label and paths together at most kMaxRemovalTextLength
// (a thousand paths of 4,096 bytes and a label fit) in at most kMaxRemovalPathCount paths. The helper
// answers a larger call with InvalidArgs at once, before it keeps or copies anything of it; tighter
// rules (the removal's own path count and length) answer within these bounds with a reply.
inline constexpr qsizetype kMaxActionNameLength = 256;
inline constexpr qsizetype kMaxRemovalTextLength = 4 * 1024 * 1024;
inline constexpr qsizetype kMaxRemovalPathCount = 4096;

// Whether a call's arguments stay within the bounds above. Looks only at the lengths of what QtDBus
// already decoded (it converts every argument before anyone sees the message) and copies nothing.
// True for calls of other members or signatures: their shape is checked elsewhere.
bool argumentsWithinBounds(const QDBusMessage& call);
// The UTF-16 code units all string arguments of `call` hold together (strings and string lists).
qsizetype argumentTextLength(const QDBusMessage& call);

// One answer of `performAction` or `removeSystemThreat`: ok is true only when the work was done; the
// message is always a finished English sentence for the user.
struct HelperReply
{
    bool ok = false;
    QString message;

    bool operator==(const HelperReply&) const = default;
};

// Method calls addressed to the helper's object. D-Bus strings end at a NUL: callers must refuse such
// arguments before building a call.
QDBusMessage versionCall();
QDBusMessage performActionCall(const QString& rawAction);
QDBusMessage removeSystemThreatCall(const QString& label, const QStringList& paths);

// The helper's reply messages to `call`.
QDBusMessage versionReply(const QDBusMessage& call);
QDBusMessage reply(const QDBusMessage& call, const HelperReply& answer);

// Reads a reply message: the version string, or the (ok, message) pair. Nothing when the message is
// an error or has another shape.
std::optional<QString> versionFromReply(const QDBusMessage& message);
std::optional<HelperReply> helperReplyFrom(const QDBusMessage& message);

// The introspection data of the helper's interface (one <interface> element).
QString introspectionXml();

} // namespace qm::HelperProtocol
