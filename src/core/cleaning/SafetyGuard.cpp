#include "core/cleaning/SafetyGuard.h"

namespace qm {

SafetyGuard::SafetyGuard(const std::vector<Path>& allowedRoots, FinalLink finalLink) : m_finalLink(finalLink)
{
    m_allowedRoots.reserve(allowedRoots.size());
    for (const Path& root : allowedRoots)
        m_allowedRoots.push_back(FileSystem::resolveLinks(root));
}

bool SafetyGuard::isCleanable(const Path& path) const
{
    for (const Path& component : path) {
        if (component == "..")
            return false;
    }
    if (!path.is_absolute())
        return false;

    const Path clean = FileSystem::standardize(path);
    const std::string target =
        m_finalLink == FinalLink::asEntry && clean.has_relative_path()
            ? (FileSystem::resolveLinks(clean.parent_path()) / clean.filename()).native()
            : FileSystem::resolveLinks(clean).native();
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

} // namespace qm
