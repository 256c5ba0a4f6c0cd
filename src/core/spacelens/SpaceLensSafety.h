#pragma once

#include "platform/FileSystem.h"
#include "platform/Places.h"

#include <string>
#include <vector>

namespace qm::SpaceLensSafety {

// The folder names that are never removable directly in the home folder, compared ignoring case.
const std::vector<std::string>& protectedHomeFolders();

// The system roots, relative to the system root, that are never removable, nor anything below them:
// the thirteen of the platform the tool was first written for, then this platform's own (boot, kernel and
// runtime folders, libraries, served data and the mount points of removable and other disks).
const std::vector<std::string>& protectedSystemPrefixes();

// The space lens's own removal rule: true when the item at `path` may be offered for removal for the
// user whose places are `places` (its home folder and system root). Never the system root, the home
// folder or a folder above it; never a users' folder ("Users", "home", "root", also where it leads
// through a link) or anything in it outside the home; never where applications keep their data (the
// config, data, cache and state homes where `places` puts them, and ~/.config, ~/.local, ~/.cache and
// ~/.var) or a protected system root, nor anything below them; never one of the user's folders
// `places` names (custom ones included; the folder itself and a folder holding it, not what it holds);
// never one of the
// protected folders directly in the home, named in any letter case. The item, the home and the item's folder
// are judged after
// "." and duplicate separators are cleaned up and symbolic links resolved (a part that does not exist is kept
// as written); the item's own name is judged as given, so a link directly in the home is judged by its name,
// not its target's. Paths compare byte for byte, never Unicode-normalised. A relative path, a path with a
// ".." component or a relative home is never removable. The protected folders lie under `systemRoot` (itself
// resolved through links), so tests place them in a fixture tree. Reads the file system only to resolve
// links; never fails; caches nothing; safe on any thread. The general guard of the cleaning core still
// applies to a removal.
bool isRemovable(const Path& path, const Places& places);
// The same for the places of `home` in their default layout under `systemRoot` (its user-dirs file
// read each call).
bool isRemovable(const Path& path, const Path& home, const Path& systemRoot = "/");

} // namespace qm::SpaceLensSafety
