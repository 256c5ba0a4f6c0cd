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

} // namespace
} // namespace qm
