#pragma once

#include "platform/AdminPrompt.h"
#include "platform/FileSystem.h"

#include <QString>

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Moves an application's own folder (one under /opt that no package owns) that the user's own rights
// cannot move into the user's Trash, with administrator rights: its location is checked, a free name in the
// Trash is chosen and its info file reserved, and one shell command, run as root after the password prompt,
// checks the location again, pins both folders and renames the folder without replacing anything. Nothing is
// deleted and nothing is copied: the move is a rename within one file system or it does not happen.
namespace qm::PrivilegedUninstall {

// How a move ended. `message` is the sentence shown for `failed` and empty otherwise; `trashFiles` is,
// for `success`, the `files/` folder of the Trash the bundle went to (the home trash's, or that of the
// bundle's own file system), and empty otherwise.
struct Result
{
    enum class Kind { failed, success, cancelled };

    Kind kind = Kind::failed;
    QString message;
    Path trashFiles;

    static Result failed(QString message) { return Result{Kind::failed, std::move(message), {}}; }
    static Result success(Path trashFiles = {}) { return Result{Kind::success, {}, std::move(trashFiles)}; }
    static Result cancelled() { return Result{Kind::cancelled, {}, {}}; }

    bool operator==(const Result&) const = default;
};

// What a move works with; every empty field takes the system's own.
struct Environment
{
    // Runs the root command (null: pkexec).
    std::shared_ptr<const AdminPrompt> prompt;
    // The application folders an item must lie in or below (empty: the system's add-on software
    // folder, Places::optionalSoftware(), /opt).
    std::vector<Path> appDirectories;
    // The home trash folder (empty: Trash::homeTrashDirectory()).
    Path homeTrash;
    FileSystem fileManager;
};

// The exit status of the root command when the item's folder is not an application folder or below one.
inline constexpr int kOutsideApplicationFolders = 64;

// Moves the application folder `app` (of any name, in or below one of the application folders) into
// the user's Trash: the home trash when it lies on the same file system, otherwise that file system's
// "$topdir/.Trash-$uid" (made by the root command, owned by the user, mode 0700, when the user cannot
// make it). Blocks while the prompt is open and the command runs: call it off the GUI thread. The
// reserved info file is removed again when the answer is failed or cancelled. An item that is itself
// a symbolic link is refused before any prompt (AppScanner::linkedBundleRefusal()): moving the link
// would leave the application installed.
Result moveToUserTrash(const Path& app, const Environment& environment = {});

// The first free name for `name` in `folder`: `name` itself, then "<base> 2.<extension>",
// "<base> 3.<extension>", ... ("viewer.d" → "viewer 2.d"; without an extension "<name> 2").
// Tested with the user's rights; a dangling link counts as taken.
Path uniqueDestination(const std::string& name, const Path& folder, const FileSystem& fileManager = {});

// Everything the root command names.
struct MoveCommand
{
    Path sourceFolder;                // the folder holding the bundle, as given (the shell resolves it)
    std::string sourceName;           // the bundle's own name in that folder
    std::vector<Path> allowedFolders; // application folders with links resolved
    Path trash;                       // the trash folder (holding files/ and info/), links resolved
    std::string destinationName;      // the bundle's name in trash/files
    bool createTrash = false;         // make trash, files/ and info/ first (mode 0700, owned by owner)
    uid_t owner = 0;                  // who must own trash/files, and owns what the command makes
    gid_t group = 0;
};

// The shell command for `command`. As root it: enters the source folder physically and exits with
// kOutsideApplicationFolders unless that is an allowed folder or below one; holds the folder open;
// makes the trash when asked; enters trash/files physically and requires exactly that path, owned by
// the owner, on the same mount as the source folder and on the bundle's own device; fails when the
// bundle is a symbolic link; renames the bundle from the held folder with `mv -n -T`; and fails unless
// the bundle has left the source folder.
std::string shellCommand(const MoveCommand& command);

// `text` in single quotes for the shell, every single quote written as '\''.
std::string singleQuoted(std::string_view text);

} // namespace qm::PrivilegedUninstall
