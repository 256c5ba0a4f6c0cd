#include "platform/Workspace.h"

#include "support/TempTree.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(WorkspaceTest, AFileAddressNamesThePathByteForByte)
{
    struct Row
    {
        Path path;
        const char* encoded;
    };
    const Row rows[] = {
        {Path("/home/ana/.local/share/Trash/files"), "file:///home/ana/.local/share/Trash/files"},
        {Path("/tmp/with space/#hash?q"), "file:///tmp/with%20space/%23hash%3Fq"},
        {Path("/tmp") / test::TempTree::nonUtf8Name(), "file:///tmp/a%FF"},
        {Path("/tmp/caf\xc3\xa9"), "file:///tmp/caf%C3%A9"},
    };
    for (const Row& row : rows) {
        const QUrl url = Workspace::fileUrl(row.path);
        EXPECT_TRUE(url.isValid()) << row.encoded;
        EXPECT_TRUE(url.isLocalFile()) << row.encoded;
        EXPECT_EQ(url.toEncoded(), QByteArray(row.encoded));
        // Decoding the encoded path gives the original bytes back, also where they are not UTF-8.
        EXPECT_EQ(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()),
                  QByteArray::fromStdString(row.path.native()))
            << row.encoded;
    }
}

} // namespace
} // namespace qm
