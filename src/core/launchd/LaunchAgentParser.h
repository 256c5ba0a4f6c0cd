#pragma once

#include <QString>

#include <optional>

// What the command of a launch job says beyond its program. Pure: it touches no file and never fails.
namespace qm::LaunchAgentParser {

// The script an interpreter job runs: `firstArgument` when the last path component of `program`
// (trailing slashes ignored) is exactly one of the interpreters sh, bash, zsh, dash, ksh, python,
// python2, python3, perl, perl5, ruby, node or osascript and the argument starts with "/"; otherwise
// nothing. An interpreter started through a wrapper such as env gets none. Used for the jobs of
// autostart entries and units.
std::optional<QString> scriptFor(const QString& program, const std::optional<QString>& firstArgument);

} // namespace qm::LaunchAgentParser
