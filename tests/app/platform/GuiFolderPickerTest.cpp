#include "app/platform/GuiFolderPicker.h"

#include "platform/Workspace.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

// The chosen folder comes back as the same bytes it has on disk, also when its name is not UTF-8.
TEST(GuiFolderPickerTest, LocalPathKeepsRawBytesOfTheAddress)
{
    for (const std::string& raw : {std::string("/home/u/Music"), std::string("/home/u/a\xff"),
                                   std::string("/tmp/with space/%41"), std::string("/tmp/ü")}) {
        const std::optional<Path> back = GuiFolderPicker::localPath(Workspace::fileUrl(Path(raw)));
        ASSERT_TRUE(back.has_value()) << raw;
        EXPECT_EQ(back->native(), raw);
    }
}

TEST(GuiFolderPickerTest, LocalPathRefusesAddressesThatAreNoLocalFolder)
{
    EXPECT_FALSE(GuiFolderPicker::localPath(QUrl(QStringLiteral("https://example.org/x"))).has_value());
    EXPECT_FALSE(GuiFolderPicker::localPath(QUrl()).has_value());
}

} // namespace
} // namespace qm
