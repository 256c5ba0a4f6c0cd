#pragma once

#include <QByteArray>
#include <QtGlobal>

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

// Both facts of one property list, from one parse.
struct Job
{
    // As `program` gives it.
    std::optional<std::string> program;
    // As `label` gives it.
    std::optional<std::string> label;
};
// `program(data)` and `label(data)` from a single parse; both empty when the data is not a dictionary.
Job job(const QByteArray& data);

// How many times data has been handed to the parser in this process (every call above is one, limits
// refused or not). Tests read it to show that work on a file is done once.
quint64 parseCount();

} // namespace qm::LaunchPlist
