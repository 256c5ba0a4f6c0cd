#pragma once

#include "core/launchd/LaunchAgent.h"
#include "core/launchd/LaunchDomain.h"
#include "platform/FileSystem.h"

#include <vector>

namespace qm {

// Finds the launchd jobs in a list of folders (normally the user's LaunchAgents folder and the
// system's LaunchAgents and LaunchDaemons folders) and reports, beside them, which domains it could not
// read completely and which of those gaps only root could have closed. Reads files, never changes
// anything; a plain value holding its file-system access and folders.
class LaunchAgentScanner
{
public:
    // One folder to scan and the domain of the jobs found in it.
    struct Folder
    {
        LaunchDomain domain = LaunchDomain::userAgent;
        Path url;

        bool operator==(const Folder&) const = default;
    };

    // The jobs found and the coverage beside them. Every problem shows here, never as an error.
    struct Scan
    {
        std::vector<LaunchAgent> agents;             // sorted by label, case-insensitively
        std::vector<LaunchDomain> unreadableDomains; // domains with something that exists but was not read
        std::vector<LaunchDomain> rootOnlyDomains;   // those of them where only root could read every gap

        bool operator==(const Scan&) const = default;
    };

    // The largest property list read, in bytes; a larger one counts as unreadable.
    static constexpr qint64 kMaxPlistBytes = 2'000'000;
    // The most entries listed per folder; a folder holding more counts as not read completely.
    static constexpr std::size_t kMaxEntries = 10'000;

    LaunchAgentScanner(FileSystem fileSystem, std::vector<Folder> dirs);

    // "/Library/LaunchAgents" and "/Library/LaunchDaemons": the system folders on a real system root.
    static Path systemAgentsDir();
    static Path systemDaemonsDir();
    // The folders every caller scans, in this order: (userAgent, <home>/Library/LaunchAgents),
    // (systemAgent, <systemRoot>/Library/LaunchAgents), (systemDaemon, <systemRoot>/Library/LaunchDaemons).
    static std::vector<Folder> standardDirs(const Path& home = FileSystem::homeDirectory(),
                                            const Path& systemRoot = "/");

    const FileSystem& fileSystem() const { return m_fs; }
    const std::vector<Folder>& dirs() const { return m_dirs; }

    // Lists each folder's direct entries (hidden ones included; a folder reached through a symbolic
    // link is followed, entries never are) and reads every entry whose extension is exactly "plist" (a
    // hidden file named ".plist" has none) through the bounded reader: a regular file of at most
    // kMaxPlistBytes bytes holding an XML or binary property list whose top level is a dictionary. Anything
    // else that exists (a link, a FIFO, a folder, a larger, unreadable or malformed file, text that is not
    // UTF-8) marks its domain unreadable; a missing folder or a dangling link leaves no trace. A domain is
    // root-only when every gap in it belongs to another user and is closed to others. Only "does not exist"
    // counts as absent: an item whose existence cannot be checked is a gap. Each domain is listed once in
    // each list, in the order first met. Blocks its caller (run it off the GUI thread); does not check for
    // cancellation.
    Scan scanWithCoverage() const;

private:
    FileSystem m_fs;
    std::vector<Folder> m_dirs;
};

} // namespace qm
