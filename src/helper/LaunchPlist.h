#pragma once

#include <QByteArray>

#include <optional>
#include <string>

// The two facts the helper reads from a launchd property list (XML or binary), parsed by libplist.
// Callers read the bytes through the bounded reader; nothing here touches the file system. Data that
// would make libplist recurse or expand without bound (nesting past 64 containers, more than 8192
// values once shared binary references are expanded, more than 8192 '<' in an XML list) counts as no
// property list.
namespace qm::LaunchPlist {

// The program the job runs: "Program" when it holds a string (also an empty one), otherwise the first
// element of "ProgramArguments" when that is a non-empty array whose first element is a string.
// Nothing when the data is not a property-list dictionary or names no program. A string is taken up
// to its first NUL byte, as a program launcher would read it.
std::optional<std::string> program(const QByteArray& data);

// The job's "Label" when it holds a string, byte for byte (a NUL inside stays, and fails any label
// check). Nothing when the data is not a dictionary or has no string label.
std::optional<std::string> label(const QByteArray& data);

} // namespace qm::LaunchPlist
