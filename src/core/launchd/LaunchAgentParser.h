#pragma once

#include <QString>

#include <plist/plist.h>

#include <optional>

// Reads what a launchd job's property-list dictionary says about the job. Pure: it touches no file
// and never fails. All keys are case-sensitive.
namespace qm::LaunchAgentParser {

struct Parsed
{
    std::optional<QString> label;   // "Label" when it is a string (an empty one counts)
    std::optional<QString> program; // see parse()
    bool runAtLoad = false;
    std::optional<QString> script; // see parse()

    bool operator==(const Parsed&) const = default;
};

// Reads one dictionary (a libplist node, owned by the caller; any other node gives an empty result).
// - program: "Program" when it is a non-empty string, else the first element of "ProgramArguments"
//   when that is an array starting with a string (even an empty one), else nothing.
// - runAtLoad: "RunAtLoad" as a Boolean: a Boolean is itself, a number is true when non-zero, a
//   string is true for "true" and false for "false" in any letter case, else true for exactly "1" and
//   false for exactly "0"; anything else, or no key, is false.
// - script: only when a program was found whose last path component is one of the interpreters sh,
//   bash, zsh, dash, ksh, python, python2, python3, perl, perl5, ruby, node or osascript (exact case):
//   the second element of "ProgramArguments" when it is a string starting with "/" (even when the
//   program came from "Program"). An interpreter started through a wrapper such as env gets none.
// Strings are read as UTF-8; the caller decides whether to accept text that is not valid UTF-8.
Parsed parse(plist_t dictionary);

// The script an interpreter job runs: `firstArgument` when the last path component of `program` is one
// of the interpreters above and the argument starts with "/"; otherwise nothing. Shared with the jobs
// of desktop entries and units.
std::optional<QString> scriptFor(const QString& program, const std::optional<QString>& firstArgument);

} // namespace qm::LaunchAgentParser
