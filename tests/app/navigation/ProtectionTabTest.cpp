#include "app/navigation/ProtectionTab.h"

#include "app/navigation/ProtectionTabCatalog.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(ProtectionTabTest, TabsComeInPickerOrderWithTheirRawValues)
{
    const struct
    {
        ProtectionTab tab;
        const char* raw;
    } rows[] = {{ProtectionTab::privacy, "Privacy"}, {ProtectionTab::malware, "Malware"}};
    ASSERT_EQ(ProtectionTabs::allCases.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].raw);
        EXPECT_EQ(ProtectionTabs::allCases[i], rows[i].tab);
        EXPECT_EQ(ProtectionTabs::rawValue(rows[i].tab), QString::fromUtf8(rows[i].raw));
        EXPECT_EQ(ProtectionTabs::fromRawValue(QString::fromUtf8(rows[i].raw)), rows[i].tab);
    }
    const ProtectionTabCatalog catalog;
    EXPECT_EQ(catalog.allCases(), (QStringList{QStringLiteral("Privacy"), QStringLiteral("Malware")}));
    EXPECT_EQ(catalog.privacy(), QStringLiteral("Privacy"));
    EXPECT_EQ(catalog.malware(), QStringLiteral("Malware"));
}

TEST(ProtectionTabTest, OnlyTheExactRawValueNamesATab)
{
    for (const char* text : {"privacy", "MALWARE", "Privacy ", " Malware", "", "malware", "Protection"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ProtectionTabs::fromRawValue(QString::fromUtf8(text)), std::nullopt);
        EXPECT_FALSE(ProtectionTabCatalog().isTab(QString::fromUtf8(text)));
    }
    EXPECT_TRUE(ProtectionTabCatalog().isTab(QStringLiteral("Malware")));
}

} // namespace
} // namespace qm
