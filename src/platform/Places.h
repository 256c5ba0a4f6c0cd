#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// Where the user's data lives on this platform, resolved once: the home folder, the XDG base
// directories (cache, config, data and state homes, the data and config search lists), the user's
// folders named in `$XDG_CONFIG_HOME/user-dirs.dirs`, and the system root that system places lie
// under (a fixture tree in tests, "/" otherwise). A plain value: cheap to copy, reads nothing after it
// is made, safe to share between threads. It answers where places are, not whether they exist.
class Places
{
public:
    // Environment variables by name, values as raw bytes.
    using Environment = std::map<std::string, std::string>;

    // The user's folders of `user-dirs.dirs`, in the file's own order.
    enum class UserFolder { desktop, downloads, templates, publicShare, documents, music, pictures, videos };

    // The largest `user-dirs.dirs` read; a larger file is ignored and every folder takes its default.
    static constexpr qint64 kUserDirsLimit = 64 * 1024;

    // The current user's places: the home of FileSystem::homeDirectory(), the process environment,
    // the user-dirs file it names, and "/" as the system root.
    static Places current();

    // The places of `home` under `environment` (only the XDG_* variables are read from it; HOME is
    // not, the home is `home`) and `systemRoot`, reading the user-dirs file of the config home this
    // resolves to. Never looks at the process environment, so tests build one from a fixture home.
    // `home` must be absolute; it is standardised.
    static Places resolve(const Path& home, const Environment& environment,
                          const Path& systemRoot = Path("/"));

    // As `resolve`, with the user-dirs file's contents given instead of read (nothing: no file).
    static Places resolveWith(const Path& home, const Environment& environment, const Path& systemRoot,
                              const std::optional<QByteArray>& userDirsFile);

    const Path& home() const { return m_home; }
    const Path& systemRoot() const { return m_systemRoot; }

    // $XDG_CACHE_HOME, $XDG_CONFIG_HOME, $XDG_DATA_HOME and $XDG_STATE_HOME when set to an absolute
    // path other than "/", the home or a folder above it; else ~/.cache, ~/.config, ~/.local/share
    // and ~/.local/state. Always standardised.
    const Path& cacheHome() const { return m_cacheHome; }
    const Path& configHome() const { return m_configHome; }
    const Path& dataHome() const { return m_dataHome; }
    const Path& stateHome() const { return m_stateHome; }

    // The absolute entries of $XDG_DATA_DIRS / $XDG_CONFIG_DIRS in order (relative and empty entries
    // dropped, each standardised); when the variable is unset or leaves nothing, the defaults
    // /usr/local/share, /usr/share and /etc/xdg, which lie under the system root.
    const std::vector<Path>& dataDirs() const { return m_dataDirs; }
    const std::vector<Path>& configDirs() const { return m_configDirs; }

    // The user's folder of that kind: the entry of user-dirs.dirs when it is acceptable (see
    // `parseUserDir`), else the standard default (~/Desktop, ~/Downloads, ~/Templates, ~/Public,
    // ~/Documents, ~/Music, ~/Pictures, ~/Videos).
    const Path& userFolder(UserFolder which) const;
    const Path& desktop() const { return userFolder(UserFolder::desktop); }
    const Path& documents() const { return userFolder(UserFolder::documents); }
    const Path& downloads() const { return userFolder(UserFolder::downloads); }
    const Path& music() const { return userFolder(UserFolder::music); }
    const Path& pictures() const { return userFolder(UserFolder::pictures); }
    const Path& videos() const { return userFolder(UserFolder::videos); }
    const Path& templates() const { return userFolder(UserFolder::templates); }
    const Path& publicShare() const { return userFolder(UserFolder::publicShare); }

    // The folder applications of this user are installed in by hand (~/Applications), the user's and
    // the system's Flatpak installations (<data home>/flatpak, <system root>/var/lib/flatpak), the
    // per-application data of Flatpak apps (~/.var/app) and the add-on software folder (<system
    // root>/opt).
    Path userApplications() const { return m_home / "Applications"; }
    Path userFlatpak() const { return m_dataHome / "flatpak"; }
    Path systemFlatpak() const { return m_systemRoot / "var/lib/flatpak"; }
    Path flatpakAppData() const { return m_home / ".var/app"; }
    Path optionalSoftware() const { return m_systemRoot / "opt"; }

    // `relative` (with or without a leading "/") under the system root.
    Path system(const Path& relative) const;

    // The key of a user folder in user-dirs.dirs ("XDG_DESKTOP_DIR", …) and its default name below
    // the home ("Desktop", …).
    static const char* userDirsKey(UserFolder which);
    static const char* defaultFolderName(UserFolder which);

    // Parses one user-dirs.dirs file strictly: each line `XDG_<NAME>_DIR="<value>"` (blanks allowed
    // around it and around "=", `#` lines and blank lines skipped, the last line of a name wins), where
    // the value is shell-quoted ("\" escapes the next character) and is "$HOME/…" or an absolute path.
    // An entry counts only when its path lies strictly inside `home` with no "." or ".." component and
    // no NUL; anything else (another variable, a relative path, the home itself, a path outside it, an
    // unterminated quote, text after the closing quote) is refused and the folder keeps its default.
    static std::map<UserFolder, Path> parseUserDirs(const QByteArray& contents, const Path& home);

    bool operator==(const Places&) const = default;

private:
    Path m_home;
    Path m_systemRoot;
    Path m_cacheHome;
    Path m_configHome;
    Path m_dataHome;
    Path m_stateHome;
    std::vector<Path> m_dataDirs;
    std::vector<Path> m_configDirs;
    std::vector<Path> m_userFolders; // by UserFolder
};

} // namespace qm
