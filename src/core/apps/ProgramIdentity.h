#pragma once

#include "platform/RunningApplication.h"

#include <QString>

#include <string>
#include <vector>

namespace qm {

// How the processes of one program are recognised on this machine: the base names of the executables
// it runs ("firefox", "vivaldi-bin"; raw bytes, compared exactly) and the Flatpak application ids it
// is installed under ("org.mozilla.firefox"). A browser or any other application can be described so;
// an identity with neither recognises nothing. A plain value.
struct ProgramIdentity
{
    std::vector<std::string> executableNames;
    std::vector<QString> flatpakIds;

    // True when `process` runs one of the executables (by base name, a replaced file included) or runs
    // in the sandbox of one of the Flatpak ids. Reads nothing.
    bool recognises(const RunningApplication& process) const;

    bool operator==(const ProgramIdentity&) const = default;
};

} // namespace qm
