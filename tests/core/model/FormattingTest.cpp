#include "core/model/Formatting.h"

#include "support/CommaLocale.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace qm {
namespace {

TEST(Formatting, ByteCountAtUnitBoundaries)
{
    struct Case
    {
        qint64 bytes;
        const char* text;
    };
    const Case cases[] = {
        {std::numeric_limits<qint64>::min(), "0 KB"},
        {-1, "0 KB"},
        {0, "0 KB"},
        {1, "1 byte"},
        {2, "2 bytes"},
        {999, "999 bytes"},
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1501, "2 KB"},
        {999'499, "999 KB"},
        {999'500, "1 MB"}, // would read "1000 KB"
        {1'000'000, "1 MB"},
        {1'500'000, "1.5 MB"},
        {1'040'000, "1 MB"},
        {1'060'000, "1.1 MB"},
        {999'949'999, "999.9 MB"},
        {999'950'000, "1 GB"},
        {1'234'567'890, "1.23 GB"},
        {1'200'000'000, "1.2 GB"},
        {1'000'000'000'000, "1 TB"},
        {1'005'000'000'000'000, "1 PB"},
        {std::numeric_limits<qint64>::max(), "9.22 EB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Formatting::byteCount(c.bytes), QString::fromUtf8(c.text)) << "bytes = " << c.bytes;
}

// Memory sizes: 1024 bytes to the kilobyte, written "KB", "MB", "GB" with the file style's digits.
TEST(Formatting, MemoryByteCountAtUnitBoundaries)
{
    struct Case
    {
        qint64 bytes;
        const char* text;
    };
    const Case cases[] = {
        {std::numeric_limits<qint64>::min(), "0 KB"},
        {-1, "0 KB"},
        {0, "0 KB"},
        {1, "1 byte"},
        {999, "999 bytes"},
        {1000, "1 KB"}, // 0.98 KB, shown without decimals
        {1023, "1 KB"},
        {1024, "1 KB"},
        {1535, "1 KB"},
        {1537, "2 KB"},
        {1'023'487, "999 KB"}, // 999.499 KB
        {1'023'600, "1 MB"},   // 999.6 KB would read "1000 KB"
        {1'048'576, "1 MB"},   // not "1.05 MB" as 1000-based units give
        {1'572'864, "1.5 MB"}, // 1.5 × 1024²
        {1'048'471'142, "999.9 MB"},
        {1'048'523'572, "0.98 GB"}, // 999.95 MB would read "1000 MB"
        {1'073'741'824, "1 GB"},
        {8'589'934'592, "8 GB"},
        {25'274'736'640, "23.54 GB"},
        {1'099'511'627'776, "1 TB"},
        {std::numeric_limits<qint64>::max(), "8 EB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Formatting::memoryByteCount(c.bytes), QString::fromUtf8(c.text)) << "bytes = " << c.bytes;
}

TEST(Formatting, CountedNounTakesSUnlessExactlyOne)
{
    EXPECT_EQ(Formatting::countedNoun(0, QStringLiteral("item")), QStringLiteral("0 items"));
    EXPECT_EQ(Formatting::countedNoun(1, QStringLiteral("item")), QStringLiteral("1 item"));
    EXPECT_EQ(Formatting::countedNoun(2, QStringLiteral("item")), QStringLiteral("2 items"));
    EXPECT_EQ(Formatting::countedNoun(-1, QStringLiteral("item")), QStringLiteral("-1 items"));
}

// A locale that writes a decimal comma changes neither the unit nor the digits: every text is the one
// the "C" locale gives, decimal point included.
TEST(Formatting, TextsReadTheSameUnderACommaLocale)
{
    struct Case
    {
        const char* what;
        std::function<QString()> format;
        const char* text;
    };
    const std::vector<Case> cases{
        {"file size in MB", [] { return Formatting::byteCount(270'553'200); }, "270.6 MB"},
        {"file size in GB", [] { return Formatting::byteCount(270'553'200'000); }, "270.55 GB"},
        {"file size rounding to 1000 MB", [] { return Formatting::byteCount(999'950'000); }, "1 GB"},
        {"file size of whole MB", [] { return Formatting::byteCount(4'000'000); }, "4 MB"},
        {"file size in KB", [] { return Formatting::byteCount(1'501); }, "2 KB"},
        {"memory size in GB", [] { return Formatting::memoryByteCount(25'274'736'640); }, "23.54 GB"},
        {"memory size rounding to 1000 MB", [] { return Formatting::memoryByteCount(1'048'523'572); },
         "0.98 GB"},
        {"printf with two decimals", [] { return Formatting::cFormat("%.2f", 21.765); }, "21.77"},
        {"printf of a half to even", [] { return Formatting::cFormat("%.2f", 0.125); }, "0.12"},
        {"printf with several numbers", [] { return Formatting::cFormat("%.0f%% and %.1f GB", 95.5, 20.05); },
         "96% and 20.1 GB"},
    };
    std::vector<QString> underComma;
    {
        const test::CommaLocale german;
        ASSERT_TRUE(german.failure().isEmpty()) << german.failure().toStdString();
        for (const Case& c : cases)
            underComma.push_back(c.format());
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(underComma[i], QString::fromUtf8(cases[i].text)) << cases[i].what;
        EXPECT_EQ(cases[i].format(), QString::fromUtf8(cases[i].text)) << cases[i].what << " (C locale)";
    }
}

} // namespace
} // namespace qm
