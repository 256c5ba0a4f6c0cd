#pragma once

#include "core/launchd/LaunchDomain.h"
#include "platform/FileSystem.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qm {

// What kind of file a launch job was read from.
enum class LaunchSource {
    autostartEntry, // a desktop entry of an XDG autostart folder, started when the user logs in
    systemdUnit     // a systemd unit enabled through links in a "*.wants" folder
};

// One discovered launch job: the file it was read from and what it says. Two autostart entries with
// the same name are two jobs; a unit enabled from several places is one job with several enable links. A
// plain value; its identity is the path of its file.
struct LaunchAgent
{
    Path url; // the desktop entry or the unit file
    // A desktop entry's "Name", or the file name without its extension when it has none; a unit's name
    // ("sync.service"). Never empty for a job the scanner found.
    QString label;
    QString program = noProgram(); // the program the job runs, or noProgram() when none is named
    bool runAtLoad = false;        // autostart entries and enabled units always run at login or boot
    LaunchDomain domain = LaunchDomain::userAgent; // the domain of the folder it was found in
    std::optional<QString> script; // the absolute script path an interpreter job is given, if recognised
    LaunchSource source = LaunchSource::autostartEntry;
    // The arguments after the program, as the file gives them.
    QStringList arguments = {};
    // A unit's enable links (the "*.wants" entries naming it), in byte order of their paths.
    std::vector<Path> enableLinks = {};
    // A unit's "Description"; a desktop entry's "Comment". Empty when none.
    QString description = {};
    // A desktop entry's "OnlyShowIn" and "NotShowIn": the desktops it is meant for or kept from.
    QStringList onlyShowIn = {};
    QStringList notShowIn = {};

    // The identity of the job: its file's path.
    const Path& id() const { return url; }
    // What `program` holds when the job names none: "—" (U+2014), never an empty text.
    static QString noProgram() { return QStringLiteral("\u2014"); }

    bool operator==(const LaunchAgent&) const = default;
};

} // namespace qm
