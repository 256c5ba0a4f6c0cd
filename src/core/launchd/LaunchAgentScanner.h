#pragma once

#include "core/launchd/LaunchAgent.h"
#include "core/launchd/LaunchDomain.h"
#include "platform/FileSystem.h"
#include "platform/Places.h"

#include <vector>

namespace qm {

// Finds the jobs that start by themselves (normally the user's and the system's XDG autostart entries
// and the systemd units enabled for the user, for every user and for the system) and reports, beside
// them, which domains it could not read completely and which of those gaps only root could have
// closed. Reads files, never changes anything and asks no service manager; a plain value holding its
// file-system access and folders.
class LaunchAgentScanner
{
public:
    // One folder to scan, the domain of the jobs found in it and what kind of files it holds. For
    // units, `url` is the folder whose "*.wants" folders enable them and `unitPath` the folders a unit
    // is looked up in by name, in order.
    struct Folder
    {
        LaunchDomain domain = LaunchDomain::userAgent;
        Path url;
        LaunchSource source = LaunchSource::autostartEntry;
        std::vector<Path> unitPath = {};

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

    // The largest autostart entry or unit file read, in bytes; a larger one counts as unreadable.
    static constexpr qint64 kMaxFileBytes = 2'000'000;
    // The most entries listed per folder; a folder holding more counts as not read completely.
    static constexpr std::size_t kMaxEntries = 10'000;

    LaunchAgentScanner(FileSystem fileSystem, std::vector<Folder> dirs);

    // The folders every caller scans on this system, in this order: the user's autostart entries
    // (<config home>/autostart) and enabled units (<config home>/systemd/user), both login items; the
    // system's autostart entries (<each config dir>/autostart, /etc/xdg/autostart by default) and the
    // units enabled for every user (<system root>/etc/systemd/user), system agents; the system's enabled
    // services (<system root>/etc/systemd/system), system daemons. User units are looked up in the
    // config home's, etc's, the data home's, usr/local/lib's and usr/lib's "systemd/user"; system units
    // in etc's, usr/local/lib's, usr/lib's and lib's "systemd/system" (below the system root).
    static std::vector<Folder> standardDirs(const Places& places);
    // `standardDirs` of the current user's places when `home` is their home and `systemRoot` is "/";
    // otherwise of `home` and `systemRoot` with the XDG defaults. Reads the environment and at most the
    // user's user-dirs file.
    static std::vector<Folder> standardDirsOf(const Path& home, const Path& systemRoot = "/");

    const FileSystem& fileSystem() const { return m_fs; }
    const std::vector<Folder>& dirs() const { return m_dirs; }

    // Lists each folder's direct entries (hidden ones included; a folder reached through a symbolic
    // link is followed, entries never are) and reads them by kind, every file through the bounded reader
    // (no final link followed, never a FIFO or device, at most kMaxFileBytes or the reader's own cap):
    // - autostart entries: every entry ending in ".desktop", a desktop entry. A file id met in an earlier
    //   autostart folder hides the same id in a later one (the user's entry overrides the system's), and
    //   an entry with "Hidden=true" or "X-GNOME-Autostart-enabled=false" starts nothing and is left out;
    // - units: every entry of every "*.wants" folder names a unit, which is read from the first folder
    //   of `unitPath` that has it ("a@b.service" from "a@.service" when it has no file of its own); a
    //   unit file there that is a link is read only when the link leads straight into a folder of
    //   `unitPath`, and a link to /dev/null masks the unit, which is left out. A unit named twice is one
    //   job with both enable links; one found nowhere is no job, and no gap when its link dangles. A
    //   unit without a command of its own (a timer, socket or path) takes that of the service of its
    //   name.
    // Anything else that exists (a link, a FIFO, a folder, a larger, unreadable or malformed file, text
    // that is not UTF-8) marks its domain unreadable; a missing folder or a dangling link leaves no trace.
    // A domain is root-only when every gap in it belongs to another user and is closed to others. Only
    // "does not exist" counts as absent: an item whose existence cannot be checked is a gap. Each domain
    // is listed once in each list, in the order first met. Blocks its caller (run it off the GUI
    // thread); does not check for cancellation.
    Scan scanWithCoverage() const;

private:
    FileSystem m_fs;
    std::vector<Folder> m_dirs;
};

} // namespace qm
