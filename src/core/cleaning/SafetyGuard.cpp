#include "core/cleaning/SafetyGuard.h"

#include "core/cleaning/MountTable.h"
#include "platform/Trash.h"

#include <unistd.h>

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

bool atOrBelow(const std::string& target, const Path& folder)
{
    const std::string& folderText = folder.native();
    if (target == folderText)
        return true;
    const std::string prefix = folderText.ends_with('/') ? folderText : folderText + '/';
    return target.starts_with(prefix);
}

// The trash folders of this user: the home trash (which lies in the data home, a root of several
// modules) and, at the top of every mount, `.Trash-$uid` and `.Trash/$uid`.
std::vector<Path> trashFoldersOfThisUser()
{
    std::vector<Path> folders{FileSystem::resolveLinks(Trash::homeTrashDirectory())};
    const std::string uid = std::to_string(::geteuid());
    const MountTable table = MountTable::current();
    for (const MountTable::Mount& mount : table.mounts()) {
        folders.push_back(mount.mountPoint / Path(".Trash-" + uid));
        folders.push_back(mount.mountPoint / ".Trash" / Path(uid));
    }
    return folders;
}

} // namespace

SafetyGuard::SafetyGuard(const std::vector<Path>& allowedRoots, const std::vector<Path>& allowedItems,
                         FinalLink finalLink)
    : m_trashFolders(trashFoldersOfThisUser()), m_finalLink(finalLink)
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
            return !inATrash(item.native());
    }
    const Path entry = itemForm(path);
    const std::string target =
        m_finalLink == FinalLink::asEntry ? entry.native() : FileSystem::resolveLinks(path).native();
    return belowARoot(target) && !inATrash(target) && !inATrash(entry.native());
}

bool SafetyGuard::inATrash(const std::string& target) const
{
    return std::any_of(m_trashFolders.begin(), m_trashFolders.end(),
                       [&](const Path& folder) { return atOrBelow(target, folder); });
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
        std::find(m_allowedItems.begin(), m_allowedItems.end(), entry) != m_allowedItems.end()) {
        if (inATrash(entry.native()))
            return std::nullopt;
        return AnchoredPath{entry.parent_path(), Path(), entry.filename()};
    }
    const Path target = m_finalLink == FinalLink::asEntry ? entry : FileSystem::resolveLinks(entry);
    if (!belowARoot(target.native()) || inATrash(target.native()) || inATrash(entry.native()))
        return std::nullopt;
    for (const Path& root : m_allowedRoots) {
        if (auto place = AnchoredPath::beneath(root, entry))
            return place;
    }
    return std::nullopt;
}

} // namespace qm
