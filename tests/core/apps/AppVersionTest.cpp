#include "core/apps/AppVersion.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(AppVersionTest, Sanitize)
{
    struct Case
    {
        QString raw;
        QString sanitized;
    };
    const std::vector<Case> cases{
        {u"1.2.3"_qs, u"1.2.3"_qs},
        {u"  1.2.3 \n"_qs, u"1.2.3"_qs},
        {u"\t2.0 (build 7)\r\n"_qs, u"2.0 (build 7)"_qs},
        {u"\u00a03.1\u2028"_qs, u"3.1"_qs}, // Unicode spaces and line separators too
        {u""_qs, u""_qs},
        {u" \t\n "_qs, u""_qs},
        {u"$(MARKETING_VERSION)"_qs, u""_qs},
        {u"1.0$"_qs, u""_qs},
        {u"  ${VERSION}  "_qs, u""_qs},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppVersion::sanitize(c.raw), c.sanitized) << c.raw.toStdString();
}

TEST(AppVersionTest, DebianUpstreamDropsTheEpochAndTheRevision)
{
    const std::vector<std::pair<QString, QString>> cases{
        {u"4:22.12.3-1"_qs, u"22.12.3"_qs},
        {u"8:6.9.11.60+dfsg-1.6+deb12u16"_qs, u"6.9.11.60+dfsg"_qs},
        {u"2.0-1"_qs, u"2.0"_qs},
        {u"1:2.3"_qs, u"2.3"_qs},             // an epoch, no revision
        {u"1.2-beta-3"_qs, u"1.2-beta"_qs},   // the revision starts at the last dash
        {u"1:2:3-4"_qs, u"2:3"_qs},           // the epoch ends at the first colon
        {u"115.5.0esr"_qs, u"115.5.0esr"_qs}, // neither
        {u""_qs, u""_qs},
    };
    for (const auto& [raw, upstream] : cases)
        EXPECT_EQ(AppVersion::debianUpstream(raw), upstream) << raw.toStdString();
}

} // namespace
} // namespace qm
