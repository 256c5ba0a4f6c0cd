#include "protocol/SystemThreatRemovalPolicy.h"

#include <algorithm>

namespace qm::SystemThreatRemovalPolicy {
namespace {

constexpr std::array<std::string_view, 2> kUnitFolders{"/etc/systemd/system", "/etc/systemd/user"};
constexpr std::string_view kAutostartFolder = "/etc/xdg/autostart";
constexpr std::array<std::string_view, 4> kUnitSuffixes{".service", ".socket", ".timer", ".path"};

bool endsWithAfterSomething(std::string_view text, std::string_view suffix)
{
    return text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// Whether `folder` holds units: one of the unit folders or a "*.wants" folder in one.
bool holdsUnits(std::string_view folder)
{
    if (std::find(kUnitFolders.begin(), kUnitFolders.end(), folder) != kUnitFolders.end())
        return true;
    const std::size_t slash = folder.rfind('/');
    return slash != std::string_view::npos &&
           std::find(kUnitFolders.begin(), kUnitFolders.end(), folder.substr(0, slash)) !=
               kUnitFolders.end() &&
           endsWithAfterSomething(folder.substr(slash + 1), ".wants");
}

} // namespace

bool isValidUnitName(std::string_view name)
{
    if (name.empty() || name.size() > kMaxUnitNameBytes)
        return false;
    const auto suffix = std::find_if(kUnitSuffixes.begin(), kUnitSuffixes.end(), [&](std::string_view type) {
        return endsWithAfterSomething(name, type);
    });
    if (suffix == kUnitSuffixes.end())
        return false;
    const std::string_view stem = name.substr(0, name.size() - suffix->size());
    bool seenAt = false;
    for (std::size_t i = 0; i < stem.size(); ++i) {
        const char c = stem[i];
        if (c == '@') {
            // One instance mark, with a unit's own name before it; the instance itself may be empty (a
            // template).
            if (seenAt || i == 0)
                return false;
            seenAt = true;
            continue;
        }
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == ':' || c == '-' || c == '_' || c == '.' || c == '\\';
        if (!plain)
            return false;
    }
    return true;
}

bool isAllowedParent(std::string_view folder)
{
    return std::find(allowedParents.begin(), allowedParents.end(), folder) != allowedParents.end() ||
           holdsUnits(folder);
}

bool holdsRefusedCharacter(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7f)
            return true;
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        // C1 controls, U+0080 to U+009F: C2 80 to C2 9F.
        if (byte == 0xc2 && next >= 0x80 && next <= 0x9f)
            return true;
        // U+061C, the Arabic letter mark: D8 9C.
        if (byte == 0xd8 && next == 0x9c)
            return true;
        if (byte == 0xe2 && i + 2 < text.size()) {
            const auto last = static_cast<unsigned char>(text[i + 2]);
            // U+200E and U+200F (left-to-right and right-to-left marks): E2 80 8E and E2 80 8F.
            // U+2028 and U+2029 (line and paragraph separators) and U+202A to U+202E (embeddings,
            // overrides and their end): E2 80 A8 to E2 80 AE. U+2066 to U+2069 (isolates and their
            // end): E2 81 A6 to E2 81 A9.
            if ((next == 0x80 && (last == 0x8e || last == 0x8f)) ||
                (next == 0x80 && last >= 0xa8 && last <= 0xae) ||
                (next == 0x81 && last >= 0xa6 && last <= 0xa9))
                return true;
        }
    }
    return false;
}

std::optional<Rejection> reject(std::string_view path)
{
    if (path.empty() || path.front() != '/')
        return Rejection::notAbsolute;
    if (holdsRefusedCharacter(path))
        return Rejection::traversal;

    // Every component after the leading "/", empty ones kept; the first ".." or empty/"." one decides.
    std::size_t start = 1;
    while (true) {
        const std::size_t end = path.find('/', start);
        const std::string_view component =
            path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (component == "..")
            return Rejection::traversal;
        if (component.empty() || component == ".")
            return Rejection::emptyComponent;
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }

    if (isAllowedParent(path))
        return Rejection::isAllowedRootItself;

    // No empty, "." or ".." component is left, so the parent is the text before the last "/".
    const std::size_t lastSlash = path.rfind('/');
    const std::string_view parent = lastSlash == 0 ? std::string_view("/") : path.substr(0, lastSlash);
    if (!isAllowedParent(parent))
        return Rejection::parentNotAllowed;
    const std::string_view name = path.substr(lastSlash + 1);
    if (parent == kAutostartFolder && !endsWithAfterSomething(name, ".desktop"))
        return Rejection::nameNotAllowed;
    if (holdsUnits(parent) && !isValidUnitName(name))
        return Rejection::nameNotAllowed;
    return std::nullopt;
}

Partition partition(const std::vector<std::string>& paths)
{
    Partition result;
    for (const std::string& path : paths) {
        if (const std::optional<Rejection> why = reject(path))
            result.rejected.emplace_back(path, *why);
        else
            result.accepted.push_back(path);
    }
    return result;
}

} // namespace qm::SystemThreatRemovalPolicy
