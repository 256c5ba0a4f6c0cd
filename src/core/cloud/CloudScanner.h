#pragma once

#include "core/cloud/CloudItem.h"
#include "platform/CloudDrive.h"
#include "platform/FileSystem.h"

#include <functional>
#include <memory>
#include <stop_token>
#include <vector>

namespace qm {

// Measures the top-level entries of the cloud drive's folder (bytes stored here and bytes in the
// cloud) and evicts the local copies of uploaded files. A plain value holding the folder, the drive
// seam and the file-system access; it keeps nothing between calls, so every scan measures everything
// again, and copies may be used from several threads at once. Nothing is deleted: eviction only
// drops local copies, through the drive.
class CloudScanner
{
public:
    // One scan's result. `readFailed`: the folder could not be listed at all (no items then);
    // `partial`: some folder held entries that could not be read for lack of permission, or could not
    // be opened, so sizes may be understated.
    struct Scan
    {
        std::vector<CloudItem> items;
        bool readFailed = false;
        bool partial = false;
    };
    // Receives (entries measured so far, entries listed) on the scanning thread; must not block.
    using Progress = std::function<void(int done, int total)>;

    // `root`: the drive's folder; `drive`: the seam that tells placeholders and upload states and
    // evicts (must not be null); `fileManager`: listing and status of the folder's entries.
    CloudScanner(Path root, std::shared_ptr<const CloudDrive> drive, FileSystem fileManager = {});

    const Path& root() const { return m_root; }

    // Lists the folder's direct entries (hidden ones, whose names start with ".", left out) and
    // measures each in listing order: a folder by walking it (no link followed; only regular files
    // count), anything else by its own status (a link is measured as itself). An entry whose status
    // cannot be read is left out, and so is one with neither local nor cloud bytes. Items come
    // largest local size first (equal sizes keep listing order), with their fractions of the total.
    // Reports (0, n) once listed and (i + 1, n) after each measured entry; (0, 0) when the folder
    // cannot be listed. `stop` is looked at before each top-level entry (a stopped scan then returns
    // no items) and before each file of a walk (the walk ends with what it summed so far).
    // Synchronous and blocking: run it on a worker thread.
    Scan scan(const Progress& progress, std::stop_token stop = {}) const;

    // Evicts the local copy of `path`, an entry strictly below the folder: a regular file only when
    // it is not dataless and is uploaded; a folder by evicting every such regular file beneath it (no
    // link followed). A link, a dataless or not-uploaded file, a vanished path, a path outside the
    // folder and a refusal of the drive evict nothing. Returns the allocated bytes (st_blocks * 512,
    // read before each eviction) of the files evicted; stops between files when `stop` is triggered
    // and returns what it evicted so far. Synchronous and blocking.
    qint64 evict(const Path& path, std::stop_token stop = {}) const;

private:
    struct Sizes
    {
        qint64 local = 0;
        qint64 cloud = 0;
        bool denied = false;
    };
    Sizes subtreeSizes(const Path& folder, std::stop_token stop) const;
    bool isBelowRoot(const Path& path) const;

    Path m_root;
    std::shared_ptr<const CloudDrive> m_drive;
    FileSystem m_fileManager;
};

} // namespace qm
