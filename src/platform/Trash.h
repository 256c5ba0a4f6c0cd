#pragma once

#include "platform/AnchoredPath.h"
#include "platform/FileSystem.h"

#include <QByteArray>

#include <optional>

namespace qm {

// The user's Trash, as the desktop shares it: the home trash under $XDG_DATA_HOME/Trash and, for
// items on another file system, that volume's $topdir/.Trash-$uid, each with `files/` holding
// the items and `info/` one `.trashinfo` per item (absolute Path= with the path's raw bytes
// percent-encoded, and a local-time DeletionDate=). The trash is chosen by the mount that holds the
// item, so a bind mount of the home disk gets its own volume trash rather than a rename that fails.
// The info file is written first, with O_EXCL, so two programs trashing at once never share a name;
// the item is then renamed without replacing. Nothing here copies across file systems or deletes.
class Trash
{
public:
    // The Trash of the current user, resolved from the environment when each call runs.
    explicit Trash(FileSystem fs = {});

    // $XDG_DATA_HOME/Trash when XDG_DATA_HOME is absolute, else $HOME/.local/share/Trash.
    static Path homeTrashDirectory();
    // The folder holding the items of the home trash: homeTrashDirectory() / "files".
    static Path homeTrashFilesDirectory();

    // Moves the entry `item` names (a file, a folder or a link itself) into the Trash of its mount and
    // answers where it now lies: the home trash when the item lies on the home trash's mount, else the
    // `.Trash-$uid` folder at the top of the item's mount. The item's folder is opened beneath its
    // anchor without following any link and the entry is renamed from that folder, so a folder on the
    // way swapped for a link since the caller's check fails the move (ELOOP or ENOTDIR) instead of
    // carrying it elsewhere. The info file records `item.path()`. Fails, leaving the item in place,
    // when the Trash cannot be prepared or the move is refused; a mount point fails at once (EBUSY),
    // before any trash folder is made. Where no trash can be used on the item's mount the failure says
    // why in words.
    Result<Path> moveToTrash(const AnchoredPath& item) const;

    // Moves `inTrash` back to the entry `original` names without replacing anything there (EEXIST
    // when the place is taken), then drops the item's info file. Folders missing between the anchor
    // and the entry are made (mode 0777 less the umask); the way is opened beneath the anchor without
    // following any link, as for `moveToTrash`.
    Result<void> restore(const Path& inTrash, const AnchoredPath& original) const;

    // The info file that belongs to an item lying directly in a trash `files/` folder, or an
    // empty path when `inTrash` does not lie in such a folder.
    static Path infoFileFor(const Path& inTrash);

    // The contents of an info file for an item trashed from `original` (an absolute, standardised
    // path): the Path= value is the path's raw bytes percent-encoded ("/" and unreserved
    // characters kept), so a name that is not UTF-8 reads back as itself ("bad%FF").
    static QByteArray infoFileContents(const Path& original);
    // The original path the info file of `inTrash` records: the Path= value of its "[Trash Info]"
    // group, percent-decoded to raw bytes (a relative value is taken from the top folder of a
    // volume trash). Nothing when the info file is missing, is not a regular file, is larger than
    // 64 KiB or records no usable path.
    static std::optional<Path> recordedOriginal(const Path& inTrash);

    const FileSystem& fileSystem() const { return m_fs; }

private:
    FileSystem m_fs;
};

} // namespace qm
