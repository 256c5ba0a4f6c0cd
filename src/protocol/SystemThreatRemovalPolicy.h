#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The path rules for removing a system-level launch item. Pure functions on raw path bytes,
// compiled into both programs: the application keeps only paths `reject` accepts, and the helper applies
// every rule again before it touches anything. Nothing here reads the file system or resolves links.
namespace qm::SystemThreatRemovalPolicy {

// Why a path is refused.
enum class Rejection {
    notAbsolute,         // the path does not begin with "/"
    traversal,           // a component is "..", or the path holds a refused character (holdsRefusedCharacter)
    emptyComponent,      // a component is empty ("//" or a trailing "/") or is "."
    parentNotAllowed,    // the folder holding the path is not an allowed folder (isAllowedParent)
    isAllowedRootItself, // the path is an allowed folder itself
    nameNotAllowed       // in a folder of autostart entries or units, a name of another kind
};

// The folders whose direct children may be removed, without a trailing "/", in this order: the
// system's autostart entries and its folders of units for the system and for every user. Beside them,
// the "*.wants" folders directly inside the two unit folders.
inline constexpr std::array<std::string_view, 3> allowedParents{"/etc/xdg/autostart", "/etc/systemd/system",
                                                                "/etc/systemd/user"};

// True when `folder` (no trailing "/") is one of `allowedParents`, or a folder directly inside
// "/etc/systemd/system" or "/etc/systemd/user" whose name is more than ".wants" and ends in it.
bool isAllowedParent(std::string_view folder);

// The longest unit name systemd accepts, in bytes.
inline constexpr std::size_t kMaxUnitNameBytes = 255;

// True when `name` is a unit name systemd takes as one unit and never as a pattern: a name of
// "A-Z a-z 0-9 : - _ . \\" and at most one "@" with a name before it, ending in exactly one of
// ".service", ".socket", ".timer" or ".path" after something, and at most kMaxUnitNameBytes long. A
// name that passes holds no "*", "?" or "[", so systemctl never matches it against other units.
bool isValidUnitName(std::string_view name);

// True when the UTF-8 text `text` holds a character that has no place in a launch item's path or label:
// a C0 control (NUL included), DEL, a C1 control (U+0080 to U+009F), a line or paragraph separator
// (U+2028, U+2029), a direction mark (U+200E, U+200F, U+061C) or a bidirectional embedding, override
// or isolate (U+202A to U+202E, U+2066 to U+2069), which would make a name shown to the user read as
// another. Other bytes, valid UTF-8 or not,
// are not looked at. The application leaves such paths out of what it sends; the helper refuses them.
bool holdsRefusedCharacter(std::string_view text);

// Why `path` may not be removed, or nothing when it may: it must be absolute, free of refused
// characters (holdsRefusedCharacter), "..", "." and empty components, and a direct child of an allowed
// folder (isAllowedParent). In "/etc/xdg/autostart" only names ending in ".desktop" may go; in the unit
// folders and their "*.wants" folders only unit files and links whose name is a valid unit name
// (isValidUnitName; so never a "*.wants" folder, a drop-in folder or a name systemctl reads as a
// pattern). All comparisons are byte for byte and case-sensitive.
std::optional<Rejection> reject(std::string_view path);

// `paths` split by `reject`, both lists in input order with duplicates kept.
struct Partition
{
    std::vector<std::string> accepted;
    std::vector<std::pair<std::string, Rejection>> rejected;
};
Partition partition(const std::vector<std::string>& paths);

} // namespace qm::SystemThreatRemovalPolicy
