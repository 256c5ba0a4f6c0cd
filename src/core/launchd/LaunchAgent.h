#pragma once

#include "core/launchd/LaunchDomain.h"
#include "platform/FileSystem.h"

#include <QString>

#include <optional>

namespace qm {

// One discovered launchd job: the property list it was read from and what it says. Two property
// lists with the same label are two jobs. A plain value; its identity is the property list's path.
struct LaunchAgent
{
    Path url;      // the property list
    QString label; // its "Label", or the file name without its extension when it has no string label
    QString program = noProgram(); // the program the job runs, or noProgram() when none is named
    bool runAtLoad = false;
    LaunchDomain domain = LaunchDomain::userAgent; // the domain of the folder it was found in
    std::optional<QString> script; // the absolute script path an interpreter job is given, if recognised

    // The identity of the job: its property list's path.
    const Path& id() const { return url; }
    // What `program` holds when the job names none: "—" (U+2014), never an empty text.
    static QString noProgram() { return QStringLiteral("\u2014"); }

    bool operator==(const LaunchAgent&) const = default;
};

} // namespace qm
