#pragma once

#include "platform/FileSystem.h"

namespace qm {

// The user's Trash, as the desktop shares it: the home trash under $XDG_DATA_HOME/Trash and, for
// items on another file system, that volume's $topdir/.Trash-$uid, each with `files/` holding
// the items and `info/` one `.trashinfo` per item (absolute, percent-encoded Path= and a
// local-time DeletionDate=). The info file is written first, with O_EXCL, so two programs
// trashing at once never share a name; the item is then renamed without replacing. Nothing
// here copies across file systems or deletes.
class Trash
{
public:
    // The Trash of the current user, resolved from the environment when each call runs.
    explicit Trash(FileSystem fs = {});

    // $XDG_DATA_HOME/Trash when XDG_DATA_HOME is absolute, else $HOME/.local/share/Trash.
    static Path homeTrashDirectory();
    // The folder holding the items of the home trash: homeTrashDirectory() / "files".
    static Path homeTrashFilesDirectory();

    // Moves `item` (a file, a folder or a link itself) into the Trash of its file system and
    // answers where it now lies. Fails, leaving the item in place, when the Trash cannot be
    // prepared or the move is refused; a mount point fails at once (EBUSY), before any trash
    // folder is made.
    Result<Path> moveToTrash(const Path& item) const;

    // Moves `inTrash` back to `original` without replacing anything there (EEXIST when the
    // place is taken), then drops the item's info file. Parents of `original` must exist.
    Result<void> restore(const Path& inTrash, const Path& original) const;

    // The info file that belongs to an item lying directly in a trash `files/` folder, or an
    // empty path when `inTrash` does not lie in such a folder.
    static Path infoFileFor(const Path& inTrash);

    const FileSystem& fileSystem() const { return m_fs; }

private:
    Result<Path> trashFor(const Path& physicalParent, quint64 device) const;

    FileSystem m_fs;
};

} // namespace qm
