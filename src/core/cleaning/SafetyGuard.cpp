#include "core/cleaning/SafetyGuard.h"

#include <algorithm>

namespace qm {

namespace {

// The item's folder with its links resolved, and its own name as given.
Path itemForm(const Path& path)
{
    const Path clean = FileSystem::standardize(path);
    if (!clean.has_parent_path() || clean == clean.root_path())
        return clean;
    return FileSystem::resolveLinks(clean.parent_path()) / clean.filename();
}

} // namespace

SafetyGuard::SafetyGuard(const std::vector<Path>& allowedRoots, const std::vector<Path>& allowedItems,
                         FinalLink finalLink)
    : m_finalLink(finalLink)
{
    m_allowedRoots.reserve(allowedRoots.size());
    for (const Path& root : allowedRoots)
        m_allowedRoots.push_back(FileSystem::resolveLinks(root));
    m_allowedItems.reserve(allowedItems.size());
    for (const Path& item : allowedItems) {
        if (item.is_absolute())
            m_allowedItems.push_back(itemForm(item));
    }
}

bool SafetyGuard::isCleanable(const Path& path) const
{
    for (const Path& component : path) {
        if (component == "..")
            return false;
    }
    if (!path.is_absolute())
        return false;

    if (!m_allowedItems.empty()) {
        const Path item = itemForm(path);
        if (item != item.root_path() &&
            std::find(m_allowedItems.begin(), m_allowedItems.end(), item) != m_allowedItems.end())
            return true;
    }
    const std::string target =
        m_finalLink == FinalLink::asEntry ? itemForm(path).native() : FileSystem::resolveLinks(path).native();
    return belowARoot(target);
}

bool SafetyGuard::belowARoot(const std::string& target) const
{
    for (const Path& root : m_allowedRoots) {
        const std::string& rootText = root.native();
        if (rootText == target)
            continue;
        const std::string prefix = rootText.ends_with('/') ? rootText : rootText + '/';
        if (target.starts_with(prefix))
            return true;
    }
    return false;
}

std::optional<AnchoredPath> SafetyGuard::placementOf(const Path& path) const
{
    for (const Path& component : path) {
        if (component == "..")
            return std::nullopt;
    }
    if (!path.is_absolute())
        return std::nullopt;
    // The folder is resolved once here; the target and the anchor are both read from this one answer.
    const Path entry = itemForm(path);
    if (entry == entry.root_path() || !entry.has_filename())
        return std::nullopt;
    if (!m_allowedItems.empty() &&
        std::find(m_allowedItems.begin(), m_allowedItems.end(), entry) != m_allowedItems.end())
        return AnchoredPath{entry.parent_path(), Path(), entry.filename()};
    const Path target = m_finalLink == FinalLink::asEntry ? entry : FileSystem::resolveLinks(entry);
    if (!belowARoot(target.native()))
        return std::nullopt;
    for (const Path& root : m_allowedRoots) {
        if (auto place = AnchoredPath::beneath(root, entry))
            return place;
    }
    return std::nullopt;
}

} // namespace qm
