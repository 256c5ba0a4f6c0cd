#include "core/cleaning/MountTable.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <iterator>

namespace qm {
namespace {

TEST(MountTableTest, KeepsWhereEachMountIsAndWhetherItIsReadOnly)
{
    const QByteArray text = "28 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                            "29 28 0:26 / /mnt/with\\040space\\011tab\\134 ro master:3 - tmpfs none ro\n"
                            "30 28 0:27 / /media/usb rw,nosuid - vfat /dev/sdb1 ro,fmask=0022\n"
                            "31 28 0:28 /sub /srv/bound rw - ext4 /dev/vda rw,errors=remount-ro\n"
                            "32 28 0:29 / /odd\\12x rw - ext4 /dev/vdb rw\n";
    const MountTable table = MountTable::parse(text);
    ASSERT_EQ(table.mounts().size(), 5u);
    const std::pair<const char*, bool> expected[] = {
        {"/", false},
        {"/mnt/with space\ttab\\", true},
        {"/media/usb", true},  // the file system itself is read-only
        {"/srv/bound", false}, // "remount-ro" is not "ro"
        {"/odd\\12x", false}}; // not a three-digit escape
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(table.mounts()[i].mountPoint, std::filesystem::path(expected[i].first)) << i;
        EXPECT_EQ(table.mounts()[i].readOnly, expected[i].second) << i;
    }
}

} // namespace
} // namespace qm
