// The freedesktop Trash as other clients see it: info files that name raw-byte paths exactly as `gio
// trash` writes them, the recorded path read back, and the trash chosen by the mount that holds the item
// (a bind mount of the home disk included), with failures in words where no trash can be used.
#include "platform/Trash.h"

#include "platform/ProcessRunner.h"
#include "support/FixtureHome.h"
#include "support/ScratchMount.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace qm {
namespace {

const Path kGio = "/usr/bin/gio";

QByteArray readAll(const Path& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {})) : QByteArray();
}

// The Path= line of an info file, as written.
QByteArray pathLine(const QByteArray& info)
{
    for (const QByteArray& line : info.split('\n')) {
        if (line.startsWith("Path="))
            return line;
    }
    return {};
}

// The Path= line `gio trash` writes for `file`, trashing it into a home trash of its own under `gioHome`
// (on the same disk as the file, so gio uses its home trash too). Empty when gio did not trash it.
QByteArray gioPathLine(const Path& file, const Path& gioHome)
{
    ProcessRequest request;
    request.program = kGio;
    request.arguments = {"trash", file.native()};
    request.environment = {"PATH=/usr/bin:/bin", "LC_ALL=C", "GIO_USE_VFS=local", "HOME=" + gioHome.native(),
                           "XDG_DATA_HOME=" + (gioHome / ".local/share").native()};
    request.deadline = std::chrono::seconds(30);
    const auto outcome = ProcessRunner().run(request);
    if (!outcome || !outcome->succeeded())
        return {};
    return pathLine(
        readAll(gioHome / ".local/share/Trash/info" / Path(file.filename().native() + ".trashinfo")));
}

class TrashTest : public ::testing::Test
{
protected:
    test::FixtureHome home;
    Path caches = home.folder("Library/Caches");
    Trash trash;

    // An item below the caches folder, anchored there as a guard anchors it.
    AnchoredPath at(const Path& item) const { return *AnchoredPath::beneath(caches, item); }
};

TEST_F(TrashTest, InfoFilesKeepTheRawBytesOfThePathAsGioWritesThem)
{
    const std::pair<std::string, QByteArray> rows[] = {{"bad\xff", "/bad%FF"}, {"caf\xe9", "/caf%E9"}};
    for (const auto& [name, encodedName] : rows) {
        const Path file = home.fileWithContent(caches / Path(name), "data");
        const auto inTrash = trash.moveToTrash(at(file));
        ASSERT_TRUE(inTrash) << inTrash.error().description().toStdString();
        EXPECT_EQ(inTrash->filename(), Path(name));

        const QByteArray ours = pathLine(readAll(Trash::infoFileFor(*inTrash)));
        EXPECT_EQ(ours,
                  "Path=" + QByteArray::fromStdString(caches.native()).toPercentEncoding("/") + encodedName);
        EXPECT_EQ(QByteArray::fromPercentEncoding(ours.mid(5)).toStdString(), file.native())
            << "the path reads back byte for byte";
        EXPECT_EQ(Trash::recordedOriginal(*inTrash), file);

        ASSERT_TRUE(trash.restore(*inTrash, at(file)));
        if (!FileSystem().exists(kGio))
            continue; // checked below, once
        test::TempTree gioHome;
        gioHome.folder(".local/share");
        EXPECT_EQ(ours.toStdString(), gioPathLine(file, gioHome.root()).toStdString())
            << "another Trash client writes the same line";
    }
    if (!FileSystem().exists(kGio))
        GTEST_SKIP()
            << "gio is missing (package libglib2.0-bin, installed by scripts/setup): the lines were not "
               "compared with another Trash client's";
}

TEST_F(TrashTest, TheRecordedPathIsReadFromTheInfoFile)
{
    const Path files = home.folder(Trash::homeTrashDirectory() / "files");
    const Path info = home.folder(Trash::homeTrashDirectory() / "info");
    const Path volumeTrash = home.folder("volume/.Trash-1000");
    struct Row
    {
        const char* what;
        Path inTrash;
        QByteArray info;
        std::optional<Path> recorded;
    };
    const Row rows[] = {
        {"absolute", files / "a", "[Trash Info]\nPath=/x/a%20b\nDeletionDate=2026-01-01T00:00:00\n",
         Path("/x/a b")},
        {"relative in a volume trash", volumeTrash / "files/a", "[Trash Info]\nPath=dir/a\n",
         home.path("volume/dir/a")},
        {"relative in the home trash", files / "b", "[Trash Info]\nPath=dir/b\n", std::nullopt},
        {"outside the group", files / "c", "Path=/x/c\n[Other]\nPath=/y/c\n", std::nullopt},
        {"empty, as a killed clean leaves it", files / "d", "", std::nullopt},
        {"a NUL in the path", files / "e", "[Trash Info]\nPath=/x/%00e\n", std::nullopt},
    };
    for (const Row& row : rows) {
        home.fileWithContent(row.inTrash.parent_path().parent_path() / "info" /
                                 Path(row.inTrash.filename().native() + ".trashinfo"),
                             row.info);
        EXPECT_EQ(Trash::recordedOriginal(row.inTrash), row.recorded) << row.what;
    }
    EXPECT_EQ(Trash::recordedOriginal(files / "missing"), std::nullopt);
    home.folder(info / "folder.trashinfo");
    EXPECT_EQ(Trash::recordedOriginal(files / "folder"), std::nullopt);
}

// A folder of the home's own disk mounted again inside the home: the same device number as the home
// trash, yet a rename between the two mounts fails with EXDEV.
class TrashOnBindMountTest : public TrashTest
{
protected:
    test::TempTree disk;
    Path bound = home.path("Library/Caches/bound");
    test::ScratchMount mount = test::ScratchMount::bind(disk.folder("elsewhere"), bound);
    Path volumeTrash = bound / Path(".Trash-" + std::to_string(::geteuid()));
};

TEST_F(TrashOnBindMountTest, AnItemGoesToTheTrashOfTheMountThatHoldsIt)
{
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(mount);
    const Path item = home.fileWithContent(bound / "item", "data");
    struct stat itemStatus, homeStatus;
    ASSERT_EQ(::lstat(item.c_str(), &itemStatus), 0);
    ASSERT_EQ(::lstat(home.root().c_str(), &homeStatus), 0);
    ASSERT_EQ(itemStatus.st_dev, homeStatus.st_dev) << "a bind mount keeps the device number";

    const auto inTrash = trash.moveToTrash(at(item));
    ASSERT_TRUE(inTrash) << inTrash.error().description().toStdString();
    EXPECT_EQ(*inTrash, volumeTrash / "files/item");
    EXPECT_EQ(Trash::recordedOriginal(*inTrash), item);
    EXPECT_FALSE(FileSystem().exists(Trash::homeTrashDirectory() / "files/item"));
    ASSERT_TRUE(trash.restore(*inTrash, at(item)));
    EXPECT_EQ(readAll(item), "data");
}

TEST_F(TrashOnBindMountTest, WhereNoTrashCanBeUsedTheFailureSaysWhy)
{
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(mount);
    const QString notOwn =
        QStringLiteral("The Trash on this item's volume isn't a folder of this user's own.");
    struct Row
    {
        const char* what;
        std::function<void()> plant;
    };
    const Row rows[] = {
        {"a file", [&] { home.fileWithContent(volumeTrash, "not a folder"); }},
        {"a link to a folder", [&] { home.symlink(home.folder("real-trash"), volumeTrash); }},
        {"another user's folder", [&] { home.chown(home.folder(volumeTrash)); }},
    };
    for (const Row& row : rows) {
        row.plant();
        const Path item = home.fileWithContent(bound / "item", "data");
        const auto moved = trash.moveToTrash(at(item));
        ASSERT_FALSE(moved) << row.what;
        EXPECT_EQ(moved.error().description().toStdString(), notOwn.toStdString()) << row.what;
        EXPECT_FALSE(moved.error().description().contains(QLatin1String("cross-device"))) << row.what;
        EXPECT_EQ(readAll(item), "data") << row.what;
        ASSERT_TRUE(FileSystem().removeTree(volumeTrash)) << row.what;
    }
}

TEST_F(TrashOnBindMountTest, TheTopOfAMountIsRefusedInWords)
{
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(mount);
    const auto moved = trash.moveToTrash(at(bound));
    ASSERT_FALSE(moved);
    EXPECT_EQ(
        moved.error().description(),
        QStringLiteral("This item is the top folder of a mounted volume and can't be moved to the Trash."));
    EXPECT_FALSE(FileSystem().exists(volumeTrash)) << "no trash folder made on its volume";
}

} // namespace
} // namespace qm
