#include "core/spacelens/SpaceLensSafety.h"

#include "core/cleaning/RootFolders.h"

#include <QByteArray>
#include <QString>

#include <algorithm>

namespace qm::SpaceLensSafety {
namespace {

// The folders whose other members belong to other users (or to the administrator): the Mac's users
// folder and this platform's two.
const std::vector<std::string>& usersFolders()
{
    static const std::vector<std::string> folders{"Users", "home", "root"};
    return folders;
}

// Built once, on first use, from the table above; the rule looks names up only here.
const std::vector<QString>& protectedHomeFoldersLower()
{
    static const std::vector<QString> lower = [] {
        std::vector<QString> out;
        for (const std::string& name : protectedHomeFolders())
            out.push_back(QString::fromUtf8(name).toLower());
        return out;
    }();
    return lower;
}

// `folder` followed by "/" is a prefix of `path`: "/Systematic" does not start with "/System", and
// nothing starts with "/" followed by "/".
bool startsWith(const std::string& path, const std::string& folder)
{
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

bool isOrStartsWith(const std::string& path, const std::string& folder)
{
    return path == folder || startsWith(path, folder);
}

// The lower-case form of a name for the home-folder table. A name that is not valid UTF-8 decodes with
// replacement characters and so never matches a (plain ASCII) table name.
QString lowered(const Path& name)
{
    return QString::fromUtf8(QByteArray::fromStdString(name.native())).toLower();
}

} // namespace

const std::vector<std::string>& protectedHomeFolders()
{
    static const std::vector<std::string> names{
        "Applications", "Desktop", "Documents", "Downloads", "Music",
        "Pictures",     "Public",  "Templates", "Videos",
    };
    return names;
}

const std::vector<std::string>& protectedSystemPrefixes()
{
    static const std::vector<std::string> roots{
        "System",
        "private",
        "var",
        "etc",
        "tmp",
        "usr",
        "bin",
        "sbin",
        "opt",
        "Applications",
        "cores",
        "Network",
        "Volumes",
        // This platform's own system folders; /media and /mnt hold other disks, as /Volumes does.
        "boot",
        "dev",
        "proc",
        "sys",
        "run",
        "srv",
        "lib",
        "lib32",
        "lib64",
        "libx32",
        "media",
        "mnt",
    };
    return roots;
}

bool isRemovable(const Path& path, const Path& home, const Path& systemRoot)
{
    if (!home.is_absolute() || !systemRoot.is_absolute())
        return false;
    return isRemovable(path, Places::resolve(home, {}, systemRoot));
}

bool isRemovable(const Path& path, const Places& places)
{
    const Path& home = places.home();
    const Path& systemRoot = places.systemRoot();
    if (!path.is_absolute() || !home.is_absolute() || !systemRoot.is_absolute())
        return false;
    // Cleaning ".." up as text could judge another folder than the one a removal would reach through a
    // link; the cleaning core refuses such paths as well.
    if (std::any_of(path.begin(), path.end(), [](const Path& part) { return part == ".."; }))
        return false;

    const Path clean = FileSystem::standardize(path);
    const std::string p = FileSystem::resolveLinks(clean).native();
    const std::string h = FileSystem::resolveLinks(home).native();
    const Path root = FileSystem::resolveLinks(systemRoot);
    const auto under = [&root](const std::string& name) { return (root / name).native(); };

    // 1, 2: the system root and the home folder; also every folder above the home.
    if (p == root.native() || p == h || RootFolders::coversHome(Path(p), Path(h)))
        return false;
    // 3, 4: the users' folders themselves, and anything in them outside the home. A users' folder is
    // often a link to another disk, so it counts where it leads as well.
    for (const std::string& users : usersFolders()) {
        const Path folder = root / users;
        for (const std::string& form : {folder.native(), FileSystem::resolveLinks(folder).native()}) {
            if (p == form || (startsWith(p, form) && !startsWith(p, h)))
                return false;
        }
    }
    // 5: where applications keep their data: the config, data, cache and state homes where the places
    // put them and at their default places in the home (under ~/.local), and the data of Flatpak apps.
    for (const char* data : {".config", ".local", ".cache", ".var"}) {
        if (isOrStartsWith(p, (Path(h) / data).native()))
            return false;
    }
    for (const Path& data :
         {places.configHome(), places.dataHome(), places.cacheHome(), places.stateHome()}) {
        if (isOrStartsWith(p, FileSystem::resolveLinks(data).native()))
            return false;
    }
    // 6: the user's folders, where user-dirs.dirs puts them (as written or where they lead), and any
    // folder that holds one; the item judged by its own name in its resolved folder, so a link to one
    // is judged as the link it is.
    const std::string item = (FileSystem::resolveLinks(clean.parent_path()) / clean.filename()).native();
    for (const Places::UserFolder folder :
         {Places::UserFolder::desktop, Places::UserFolder::downloads, Places::UserFolder::templates,
          Places::UserFolder::publicShare, Places::UserFolder::documents, Places::UserFolder::music,
          Places::UserFolder::pictures, Places::UserFolder::videos}) {
        const Path& place = places.userFolder(folder);
        for (const std::string& form : {place.native(), FileSystem::resolveLinks(place).native()}) {
            if (isOrStartsWith(form, item))
                return false;
        }
    }
    // 7: the system roots, in table order.
    for (const std::string& prefix : protectedSystemPrefixes()) {
        if (isOrStartsWith(p, under(prefix)))
            return false;
    }
    // 8: not directly in the home folder.
    const std::string q = FileSystem::resolveLinks(clean.parent_path()).native();
    if (q != h)
        return true;
    // 9: directly in the home folder, by the item's own name in any letter case.
    const std::vector<QString>& lower = protectedHomeFoldersLower();
    return std::find(lower.begin(), lower.end(), lowered(clean.filename())) == lower.end();
}

} // namespace qm::SpaceLensSafety
