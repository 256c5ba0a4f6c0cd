#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The mounts of this process as /proc/self/mountinfo lists them, reduced to what walks and the Trash
// bin need: the device number of each mount, its file-system type, where it is mounted and whether it
// is read-only. Walks use it to leave kernel pseudo file systems alone (a walk from "/" must not report
// /proc/kcore as a 128 TiB file); the Trash bin to find each volume's trash folders. A plain value.
class MountTable
{
public:
    struct Mount
    {
        quint64 device = 0;               // st_dev of files on the mount: makedev(major, minor)
        std::string type;                 // file-system type, e.g. "ext4", "proc"
        std::filesystem::path mountPoint; // raw bytes, the table's octal escapes ("\040") undone
        bool readOnly = false;            // "ro" among the mount's or the file system's options
    };

    MountTable() = default;

    // Parses mountinfo text. Lines that do not have the expected shape are skipped; nothing fails.
    static MountTable parse(QByteArrayView mountinfo);
    // The current table, read through the bounded reader; empty when it cannot be read.
    static MountTable current();

    // True for the kernel's pseudo file systems that walks never descend into: proc, sysfs,
    // devtmpfs, devpts, cgroup, cgroup2, securityfs, debugfs, tracefs, bpf, pstore, mqueue,
    // hugetlbfs, configfs, fusectl, binfmt_misc and autofs.
    static bool isPseudoType(std::string_view type);

    // The type of the mount with that device number (the last one listed when several share it).
    std::optional<std::string_view> typeOf(quint64 device) const;
    // True when the device belongs to a mount of a pseudo file-system type; false when unknown.
    bool isPseudoDevice(quint64 device) const;

    const std::vector<Mount>& mounts() const { return m_mounts; }

private:
    std::vector<Mount> m_mounts;
};

} // namespace qm
