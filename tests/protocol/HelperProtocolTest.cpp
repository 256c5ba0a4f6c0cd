#include "protocol/HelperProtocol.h"

#include <QDBusMessage>
#include <QVariant>

#include <gtest/gtest.h>

namespace qm {
namespace {

using namespace HelperProtocol;

TEST(HelperProtocolTest, CallsAddressTheHelperObjectWithTheirArguments)
{
    const QDBusMessage version = versionCall();
    EXPECT_EQ(version.service(), QStringLiteral("com.vellora.helper"));
    EXPECT_EQ(version.path(), QStringLiteral("/com/vellora/helper"));
    EXPECT_EQ(version.interface(), QStringLiteral("com.vellora.helper"));
    EXPECT_EQ(version.member(), QStringLiteral("version"));
    EXPECT_TRUE(version.arguments().isEmpty());

    const QDBusMessage action = performActionCall(QStringLiteral("flushDNS"));
    EXPECT_EQ(action.member(), QStringLiteral("performAction"));
    EXPECT_EQ(action.arguments(), QVariantList{QStringLiteral("flushDNS")});

    const QStringList paths{QStringLiteral("/etc/systemd/system/a.service"), QStringLiteral("/x")};
    const QDBusMessage removal = removeSystemThreatCall(QString(), paths);
    EXPECT_EQ(removal.member(), QStringLiteral("removeSystemThreat"));
    ASSERT_EQ(removal.arguments().size(), 2);
    EXPECT_EQ(removal.arguments().at(0).toString(), QString());
    EXPECT_EQ(removal.arguments().at(1).toStringList(), paths);
}

TEST(HelperProtocolTest, RepliesCarryTheirValuesAndOtherShapesAreNotReplies)
{
    const QDBusMessage call = performActionCall(QStringLiteral("freeMemory"));
    const HelperReply answer{true, QStringLiteral("Page cache dropped")};
    EXPECT_EQ(helperReplyFrom(reply(call, answer)), answer);
    EXPECT_EQ(versionFromReply(versionReply(versionCall())), QStringLiteral("1.0"));

    EXPECT_EQ(helperReplyFrom(call), std::nullopt);
    EXPECT_EQ(helperReplyFrom(call.createErrorReply(accessDeniedError(), QStringLiteral("no"))),
              std::nullopt);
    EXPECT_EQ(helperReplyFrom(call.createReply(QVariantList{QStringLiteral("true"), QStringLiteral("x")})),
              std::nullopt);
    EXPECT_EQ(helperReplyFrom(call.createReply(QVariantList{true})), std::nullopt);
    EXPECT_EQ(versionFromReply(call.createReply(QVariantList{1})), std::nullopt);
    EXPECT_EQ(versionFromReply(versionReply(versionCall()).createErrorReply(unknownMethodError(), QString())),
              std::nullopt);
}

} // namespace
} // namespace qm
