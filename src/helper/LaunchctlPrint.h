#pragma once

#include <QByteArray>

#include <optional>
#include <string>

// Reads launchctl's description of a loaded job.
namespace qm::LaunchctlPrint {

// The file a job was loaded from, from the output of `launchctl print system/<label>`: the first line
// that, with spaces and tabs trimmed at both ends, begins with "path = ", gives the rest of that line.
// Nothing when no line does, or when the output is not valid UTF-8. Empty lines are skipped.
std::optional<std::string> registeredPath(const QByteArray& output);

} // namespace qm::LaunchctlPrint
