#include "core/apps/PrivilegedUninstall.h"

#include "core/apps/AppScanner.h"
#include "platform/Places.h"
#include "platform/Trash.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace qm::PrivilegedUninstall {
namespace {

constexpr int kMaxNameAttempts = 10'000;

QString refusal()
{
    return QStringLiteral("Refused \u2014 not a recognized application bundle location.");
}

QString trashUnusable()
{
    return QStringLiteral("The Trash folder couldn't be prepared for this application.");
}

// "name" for n = 1, then "base n.extension" (or "name n" without an extension).
std::string candidateName(const std::string& name, int n)
{
    if (n < 2)
        return name;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return name + " " + std::to_string(n);
    return name.substr(0, dot) + " " + std::to_string(n) + name.substr(dot);
}

bool isBelowOrAt(const std::string& path, const std::string& folder)
{
    if (path == folder)
        return true;
    const std::string prefix = folder.size() > 0 && folder.back() == '/' ? folder : folder + "/";
    return path.compare(0, prefix.size(), prefix) == 0;
}

bool isOwnRealFolder(const FileSystem& fs, const Path& path, uid_t owner)
{
    const auto status = fs.status(path);
    return status && status->isDirectory() && status->owner == owner;
}

// Makes `path` (mode 0700) unless it exists; either way it must then be a real folder of `owner`.
bool ensureOwnFolder(const FileSystem& fs, const Path& path, uid_t owner)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return isOwnRealFolder(fs, path, owner);
}

// The device of `path`, or of its nearest ancestor that exists.
std::optional<quint64> deviceOfNearestExisting(const FileSystem& fs, Path path)
{
    while (true) {
        if (const auto status = fs.statusFollowingLinks(path))
            return status->id.device;
        const Path parent = path.parent_path();
        if (parent == path || parent.empty())
            return std::nullopt;
        path = parent;
    }
}

// The top folder of the file system that holds `folder`: its last ancestor on `device`.
Path mountTopOf(const FileSystem& fs, const Path& folder, quint64 device)
{
    Path top = folder;
    Path parent = top.parent_path();
    while (parent != top && !parent.empty()) {
        const auto status = fs.status(parent);
        if (!status || status->id.device != device)
            break;
        top = parent;
        parent = top.parent_path();
    }
    return top;
}

Result classify(const qm::Result<ProcessOutcome>& outcome)
{
    if (!outcome)
        return Result::failed(outcome.error().description());
    if (outcome->succeeded())
        return Result::success();
    if (AdminPrompt::isDismissal(*outcome))
        return Result::cancelled();
    const QString text = QString::fromUtf8(outcome->standardError).trimmed();
    if (text.contains(QLatin1String("user canceled"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("user cancelled"), Qt::CaseInsensitive))
        return Result::cancelled();
    return Result::failed(text.isEmpty() ? QStringLiteral("The privileged move failed.") : text);
}

std::string quoted(const Path& path)
{
    return singleQuoted(path.native());
}

} // namespace

std::string singleQuoted(std::string_view text)
{
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += '\'';
    return out;
}

std::string shellCommand(const MoveCommand& command)
{
    std::string patterns;
    for (const Path& folder : command.allowedFolders) {
        if (!patterns.empty())
            patterns += '|';
        patterns += quoted(folder) + "|" + quoted(folder) + "/*";
    }
    const Path files = command.trash / "files";
    const Path info = command.trash / "info";
    // The bundle as seen through the held source folder, wherever that folder is renamed to meanwhile.
    const std::string held = "/proc/self/fd/3/" + singleQuoted(command.sourceName);
    const std::string destination = singleQuoted("./" + command.destinationName);
    const std::string owner = std::to_string(command.owner);

    std::string s = "cd -P -- " + quoted(command.sourceFolder) + " && case \"$(/bin/pwd -P)\" in " +
                    patterns + ") ;; *) exit " + std::to_string(kOutsideApplicationFolders) +
                    ";; esac && exec 3< .";
    if (command.createTrash) {
        // Made as root while only root can enter it; handed to the user last, the trash folder itself
        // after what lies in it.
        s += " && /bin/mkdir -m 0700 -- " + quoted(command.trash) + " && /bin/mkdir -m 0700 -- " +
             quoted(files) + " " + quoted(info) + " && /bin/chown -h -- " + owner + ":" +
             std::to_string(command.group) + " " + quoted(files) + " " + quoted(info) + " " +
             quoted(command.trash);
    }
    s += " && cd -P -- " + quoted(files) + " && /bin/test \"$(/bin/pwd -P)\" = " + quoted(files) +
         " && /bin/test \"$(/bin/stat -c %u .)\" = " + owner;
    // A rename between two mounts fails with EXDEV and `mv` then copies and deletes as root. Bind
    // mounts of one file system share a device number, so the mounts of the two folders (the kernel's
    // own test for EXDEV) must be the same, and so must the devices of the bundle and the trash.
    s += " && exec 4< . && source_mount=$(/bin/grep '^mnt_id:' /proc/self/fdinfo/3) && "
         "trash_mount=$(/bin/grep '^mnt_id:' /proc/self/fdinfo/4) && "
         "/bin/test \"$source_mount\" = \"$trash_mount\" && /bin/test \"$(/bin/stat -c %d -- " +
         held + ")\" = \"$(/bin/stat -c %d .)\"";
    // `mv -n` exits 0 when it skips a taken destination, so only the bundle's absence from the source
    // folder tells that it moved.
    // A link swapped in for the bundle is refused: moving it would leave the application in place.
    s += " && /bin/test ! -L " + held + " && /bin/mv -n -T -- " + held + " " + destination +
         " && /bin/test ! -e " + held + " && /bin/test ! -L " + held;
    return s;
}

Path uniqueDestination(const std::string& name, const Path& folder, const FileSystem& fileManager)
{
    for (int n = 1; n < kMaxNameAttempts; ++n) {
        const Path candidate = folder / candidateName(name, n);
        if (!fileManager.exists(candidate))
            return candidate;
    }
    return folder / candidateName(name, kMaxNameAttempts);
}

Result moveToUserTrash(const Path& rawApp, const Environment& environment)
{
    const FileSystem& fs = environment.fileManager;
    const Path app = FileSystem::standardize(rawApp);
    if (!app.has_parent_path())
        return Result::failed(refusal());

    // The location check compares resolved folders, so a linked folder into an application folder counts.
    const Path sourceFolder = app.parent_path();
    const Path parent = FileSystem::resolveLinks(sourceFolder);
    std::vector<Path> allowed;
    for (const Path& folder : environment.appDirectories.empty()
                                  ? std::vector<Path>{Places::current().optionalSoftware()}
                                  : environment.appDirectories)
        allowed.push_back(FileSystem::resolveLinks(folder));
    const bool inApplicationFolder = std::any_of(allowed.begin(), allowed.end(), [&](const Path& folder) {
        return isBelowOrAt(parent.native(), folder.native());
    });
    if (!inApplicationFolder)
        return Result::failed(refusal());

    const auto bundle = fs.status(app);
    if (!bundle)
        return Result::failed(bundle.error().description());
    // The root command would move the link and leave the application where it points.
    if (bundle->isSymlink())
        return Result::failed(AppScanner::linkedBundleRefusal());
    const auto folder = fs.statusFollowingLinks(parent);
    if (!folder || folder->id.device != bundle->id.device) {
        // A bundle that is a mount point of its own could only be copied, never renamed.
        return Result::failed(
            QStringLiteral("This application lies on a volume of its own and can't be moved "
                           "to the Trash."));
    }

    const uid_t owner = ::getuid();
    const gid_t group = ::getgid();
    const Path homeTrash =
        environment.homeTrash.empty() ? Trash::homeTrashDirectory() : environment.homeTrash;
    const bool onHomeVolume = deviceOfNearestExisting(fs, homeTrash) == bundle->id.device;
    const Path trash =
        onHomeVolume ? homeTrash
                     : mountTopOf(fs, parent, bundle->id.device) / Path(".Trash-" + std::to_string(owner));

    bool createTrash = false;
    if (const auto existing = fs.status(trash); existing) {
        if (!existing->isDirectory() || existing->owner != owner)
            return Result::failed(trashUnusable());
    } else if (!existing.error().isPosix(ENOENT)) {
        return Result::failed(trashUnusable());
    } else if (onHomeVolume) {
        if (!fs.createDirectories(trash.parent_path()) || !ensureOwnFolder(fs, trash, owner))
            return Result::failed(trashUnusable());
    } else if (::mkdir(trash.c_str(), 0700) != 0) {
        // The volume's top folder is not ours to write: the root command makes the trash for us.
        if (errno != EACCES && errno != EPERM)
            return Result::failed(trashUnusable());
        createTrash = true;
    }
    if (!createTrash && (!isOwnRealFolder(fs, trash, owner) || !ensureOwnFolder(fs, trash / "files", owner) ||
                         !ensureOwnFolder(fs, trash / "info", owner)))
        return Result::failed(trashUnusable());

    // The command requires exactly this physical path, so a link swapped in later is refused.
    const Path physicalTrash = FileSystem::resolveLinks(trash);
    const Path files = physicalTrash / "files";
    const Path info = physicalTrash / "info";
    const std::string sourceName = app.filename().native();
    const QByteArray infoText = Trash::infoFileContents(app);

    // The info file is claimed first (O_EXCL), so two programs trashing at once never share a name.
    std::string destination;
    Path reserved;
    for (int n = 1; n <= kMaxNameAttempts && destination.empty(); ++n) {
        const std::string candidate = candidateName(sourceName, n);
        if (fs.exists(files / candidate))
            continue;
        if (createTrash) {
            destination = candidate;
            break;
        }
        const Path infoFile = info / Path(candidate + ".trashinfo");
        const auto claimed = fs.createExclusive(infoFile, infoText, 0600);
        if (claimed) {
            destination = candidate;
            reserved = infoFile;
        } else if (!claimed.error().isPosix(EEXIST)) {
            return Result::failed(trashUnusable());
        }
    }
    if (destination.empty())
        return Result::failed(trashUnusable());

    const MoveCommand command{sourceFolder, sourceName,  allowed, physicalTrash,
                              destination,  createTrash, owner,   group};
    const std::shared_ptr<const AdminPrompt> prompt =
        environment.prompt ? environment.prompt : std::make_shared<AdminPrompt>();
    Result result = classify(prompt->run(shellCommand(command)));
    if (result.kind != Result::Kind::success) {
        if (!reserved.empty())
            ::unlink(reserved.c_str());
    } else if (createTrash) {
        // A trash made just now by the command: nobody but the user can have claimed this name meanwhile.
        (void)fs.createExclusive(info / Path(destination + ".trashinfo"), infoText, 0600);
    }
    if (result.kind == Result::Kind::success)
        result.trashFiles = files;
    return result;
}

} // namespace qm::PrivilegedUninstall
