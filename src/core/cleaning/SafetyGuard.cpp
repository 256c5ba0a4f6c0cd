#include "core/cleaning/SafetyGuard.h"

namespace qm {

SafetyGuard::SafetyGuard(const std::vector<Path>& allowedRoots)
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

    const std::string target = FileSystem::resolveLinks(path).native();
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
