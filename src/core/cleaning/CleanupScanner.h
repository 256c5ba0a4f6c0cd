#pragma once

#include "core/cleaning/CoverageFlag.h"
#include "platform/FileSystem.h"

#include <stop_token>
#include <vector>

namespace qm {

// The junk scanner of the current user's home folder, and the carrier of the one bounded sizer every
// feature measures files and folders with. A plain value holding its file-system access and the home
// folder; copies are cheap and may be used from several threads at once.
class CleanupScanner
{
public:
    // With no arguments: the real file system and the current user's home folder.
    explicit CleanupScanner(FileSystem fileManager = {}, Path home = FileSystem::homeDirectory());

    const FileSystem& fileManager() const { return m_fileManager; }
    const Path& home() const { return m_home; }

    // The allocated size of `of` in bytes (st_blocks * 512, so sparse files count what they occupy
    // and every hard link counts once per name). Anything that is not a folder (a link counts
    // itself) is measured on the calling thread; a path that cannot be read at all measures 0 and
    // leaves `coverage` alone. A folder is walked on a thread of its own (joined by up to three
    // helpers once it proves large), never following a link and never entering a kernel pseudo file
    // system, while the caller waits for at most 0.25 s at a time and wakes as soon as it ends:
    // - `excluding`: paths (compared after "." and ".." are cleaned up) whose entries and subtrees
    //   add nothing; a sibling whose name merely starts the same is still measured.
    // - `nodeLimit`: at most nodeLimit + 1 entries are measured; reaching the cap raises `coverage`
    //   only when `flagCapAsIncomplete`.
    // - `deadline`: seconds of real time from the call; when it passes the total so far is
    //   returned and `coverage` raised. 0 or less (or NaN) measures nothing and raises `coverage`.
    // - `stop`: cancellation returns the total so far at once and leaves `coverage` alone.
    // A permission denial met anywhere in the folder raises `coverage`. A walker still running
    // when the call returns owns everything it uses and ends at its next entry. Never fails.
    qint64 size(const Path& of, const std::vector<Path>& excluding, qint64 nodeLimit,
                bool flagCapAsIncomplete, double deadline, CoverageFlag* coverage,
                std::stop_token stop) const;

private:
    FileSystem m_fileManager;
    Path m_home;
};

} // namespace qm
