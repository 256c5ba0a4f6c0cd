#pragma once

#include "core/cleaning/MountTable.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qm {

// The user's Trash as folders of entries: how many there are, how much they occupy, and the one
// operation that deletes them for good. By default the folders are the home trash's `files/` and,
// after it, the `files/` of every per-user trash on the mounted, writable volumes (`.Trash-$uid`, and
// `.Trash/$uid` inside a sticky `.Trash`), where items cleaned on those volumes go. Acts only on each
// folder's direct entries, each as one unit; no folder is reached through a link. Synchronous; run it
// off the GUI thread.
class TrashBin
{
public:
    struct Summary
    {
        qint64 count = 0;
        qint64 bytes = 0;        // allocated bytes of all entries
        bool restricted = false; // the home trash folder could not be listed because permission was denied
        // A trash folder could not be listed at all: the home one, or a volume's within 10 s (count and
        // bytes are then those of the other folders).
        bool listingFailed = false;

        bool operator==(const Summary&) const = default;
    };

    struct EmptyResult
    {
        qint64 removed = 0;
        qint64 bytes = 0;    // allocated bytes of the removed entries, measured just before each removal
        qint64 failures = 0; // entries that could not be removed
        bool listingFailed = false; // a trash folder could not be listed, so nothing in it was tried

        bool operator==(const EmptyResult&) const = default;
    };

    // The mounted volumes whose per-user trash folders count (the real one: MountTable::current).
    using MountSource = std::function<MountTable()>;

    // How long a volume may take to show its trash folders before it counts as not listed (a stalled
    // network mount must not hold the Trash card).
    static constexpr std::chrono::seconds kVolumeListingLimit{10};
    // How old an info file without its item must be before emptying removes it: younger ones may be
    // another program's claim on a name for an item it is about to move in.
    static constexpr std::chrono::hours kOrphanInfoAge{1};

    // With no directory, the home trash's `files/` folder of the current user followed by the
    // volumes' per-user trash folders that `mounts` lists (none given: the real mount table), pseudo
    // file systems and read-only mounts left out. With a directory, that one folder alone. `clock`
    // (none given: the system clock) times the volume listing limit and the age of orphan info files.
    explicit TrashBin(std::optional<Path> directory = std::nullopt, FileSystem fs = {},
                      MountSource mounts = {}, std::shared_ptr<const Clock> clock = nullptr);

    // The first folder: the home trash's `files/` unless another was given.
    const Path& directory() const { return m_directory; }

    // Counts and measures the direct entries of every folder, hidden ones included.
    Summary summary() const;
    // Deletes every direct entry of every folder permanently, never following a link, and the entry's
    // info file when the folder is a trash `files/` folder; then removes that trash's info files
    // whose item is missing and that were last modified at least kOrphanInfoAge ago (not counted).
    // Goes on past entries it cannot delete.
    EmptyResult empty() const;
    // The allocated size of one entry: its own for anything but a folder (a link counts itself),
    // the sum over its subtree for a folder, capped at 200,001 walked elements; unreadable parts
    // and anything on another file system mounted inside it count 0. Never fails.
    qint64 size(const Path& entry) const;

private:
    struct Folder
    {
        Path files;
        std::vector<Path> names;
        // A volume's trash folder (the parent of `files`) as the listing vetted it: emptying reaches it
        // again without following any link and only while it is still that folder.
        std::optional<FileId> trash;
    };
    // The folders of the volumes' per-user trashes with their entries; `failed` is set when a volume
    // could not be listed in time or one of its trash folders could not be listed.
    std::vector<Folder> volumeFolders(bool& failed) const;
    void emptyFolder(const Folder& folder, EmptyResult& result) const;
    void removeStaleOrphanInfoFiles(const Path& files, int filesFd, int infoFd) const;

    Path m_directory;
    bool m_withVolumes = false;
    FileSystem m_fs;
    MountSource m_mounts;
    std::shared_ptr<const Clock> m_clock;
};

} // namespace qm
