#include "app/navigation/FilesTool.h"

#include "app/navigation/FilesToolCatalog.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(FilesToolTest, RawValuesAreTheTitlesInSwitchOrderAndNothingElseNamesATool)
{
    EXPECT_EQ(FilesTools::rawValue(FilesTool::large), QStringLiteral("Large & Old"));
    EXPECT_EQ(FilesTools::rawValue(FilesTool::duplicates), QStringLiteral("Duplicates"));
    for (FilesTool tool : FilesTools::allCases)
        EXPECT_EQ(FilesTools::fromRawValue(FilesTools::rawValue(tool)), tool);

    const FilesToolCatalog catalog;
    EXPECT_EQ(catalog.allCases(), (QStringList{"Large & Old", "Duplicates"}));
    for (const char* other : {"", "large", "duplicates", "Large &amp; Old", "Large & old", " Duplicates",
                              "Duplicates ", "Large and Old"}) {
        EXPECT_FALSE(FilesTools::fromRawValue(QString::fromUtf8(other)).has_value()) << other;
        EXPECT_FALSE(catalog.isTool(QString::fromUtf8(other))) << other;
    }
}

} // namespace
} // namespace qm
