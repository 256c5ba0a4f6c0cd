#pragma once

#include "platform/FileSystem.h"

#include <optional>

namespace qm {

// The user's Trash as one folder of entries: how many there are, how much they occupy, and the
// one operation that deletes them for good. Acts only on the folder's direct entries, each as one
// unit; the folder itself is reached without following a link. Synchronous; run it off the GUI
// thread.
class TrashBin
{
public:
    struct Summary
    {
        qint64 count = 0;
        qint64 bytes = 0;           // allocated bytes of all entries
        bool restricted = false;    // the folder could not be listed because permission was denied
        bool listingFailed = false; // the folder could not be listed at all (count and bytes are 0)

        bool operator==(const Summary&) const = default;
    };

    struct EmptyResult
    {
        qint64 removed = 0;
        qint64 bytes = 0;    // allocated bytes of the removed entries, measured just before each removal
        qint64 failures = 0; // entries that could not be removed
        bool listingFailed = false; // the folder could not be listed, so nothing was tried

        bool operator==(const EmptyResult&) const = default;
    };

    // With no directory, the home trash's `files/` folder of the current user.
    explicit TrashBin(std::optional<Path> directory = std::nullopt, FileSystem fs = {});

    const Path& directory() const { return m_directory; }

    // Counts and measures the direct entries, hidden ones included.
    Summary summary() const;
    // Deletes every direct entry permanently, never following a link, and the entry's info file
    // when the folder is a trash `files/` folder. Goes on past entries it cannot delete.
    EmptyResult empty() const;
    // The allocated size of one entry: its own for anything but a folder (a link counts itself),
    // the sum over its subtree for a folder, capped at 200,001 walked elements; unreadable parts
    // and anything on another file system mounted inside it count 0. Never fails.
    qint64 size(const Path& entry) const;

private:
    Path m_directory;
    FileSystem m_fs;
};

} // namespace qm
