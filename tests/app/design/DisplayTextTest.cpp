#include "app/qml/design/DisplayText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qm {
namespace {

TEST(DisplayText, ByteCountOfAnAnimatedValue)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        double bytes;
        const char* text;
    } cases[] = {
        {nan, "0 KB"},
        {-inf, "0 KB"},
        {-1e12, "0 KB"},
        {-0.5, "0 KB"},
        {0, "0 KB"},
        {0.999, "0 KB"},
        {1, "1 byte"},
        {1.999, "1 byte"}, // truncated, not rounded
        {999.9, "999 bytes"},
        {1'500'000, "1.5 MB"},
        {1'234'567'890.7, "1.23 GB"},
        {9'007'199'254'740'992.0, "9.01 PB"},
        {1e30, "9.22 EB"}, // past the 64-bit range: its largest value
        {inf, "9.22 EB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisplayText::byteCount(c.bytes), QString::fromUtf8(c.text)) << "bytes = " << c.bytes;
}

TEST(DisplayText, MemoryByteCountOfAnAnimatedValue)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        double bytes;
        const char* text;
    } cases[] = {
        {nan, "0 KB"},         {0.999, "0 KB"},           {1.999, "1 byte"},
        {1'048'576.9, "1 MB"}, {8'589'934'592.0, "8 GB"}, {1e30, "8 EB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisplayText::memoryByteCount(c.bytes), QString::fromUtf8(c.text)) << "bytes = " << c.bytes;
}

TEST(DisplayText, CountedNounAndKindTitles)
{
    const QString item = QStringLiteral("item");
    EXPECT_EQ(DisplayText::countedNoun(0, item), QStringLiteral("0 items"));
    EXPECT_EQ(DisplayText::countedNoun(1, item), QStringLiteral("1 item"));
    EXPECT_EQ(DisplayText::countedNoun(1.5, item), QStringLiteral("1 item"));
    EXPECT_EQ(DisplayText::countedNoun(3, item), QStringLiteral("3 items"));
    EXPECT_EQ(DisplayText::countedNoun(-2, item), QStringLiteral("0 items"));

    EXPECT_EQ(DisplayText::junkKindTitle(QStringLiteral("userCaches")), QStringLiteral("User Caches"));
    EXPECT_EQ(DisplayText::junkKindTitle(QStringLiteral("logs")), QStringLiteral("Application Logs"));
    EXPECT_EQ(DisplayText::junkKindTitle(QStringLiteral("savedState")), QStringLiteral("Saved App State"));
    EXPECT_EQ(DisplayText::junkKindTitle(QStringLiteral("developerCaches")),
              QStringLiteral("Developer Caches"));
    EXPECT_EQ(DisplayText::junkKindTitle(QStringLiteral("appLeftovers")), QStringLiteral("App Leftovers"));
    EXPECT_EQ(DisplayText::junkKindTitle(QStringLiteral("UserCaches")), QString());
    EXPECT_EQ(DisplayText::junkKindTitle(QString()), QString());
}

} // namespace
} // namespace qm
