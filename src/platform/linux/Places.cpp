#include "platform/Places.h"

#include "platform/BoundedReader.h"

#include <array>
#include <cstdlib>
#include <string_view>

extern char** environ;

namespace qm {
namespace {

constexpr std::array<Places::UserFolder, 8> kUserFolders = {
    Places::UserFolder::desktop,     Places::UserFolder::downloads, Places::UserFolder::templates,
    Places::UserFolder::publicShare, Places::UserFolder::documents, Places::UserFolder::music,
    Places::UserFolder::pictures,    Places::UserFolder::videos};

std::optional<std::string> lookup(const Places::Environment& environment, const char* name)
{
    const auto it = environment.find(name);
    if (it == environment.end())
        return std::nullopt;
    return it->second;
}

// True when `path` (standardised) is `home` or a folder that holds it.
bool holdsHome(const Path& path, const Path& home)
{
    const std::string& p = path.native();
    const std::string& h = home.native();
    if (p == "/" || p == h)
        return true;
    return h.size() > p.size() && h.compare(0, p.size(), p) == 0 && h[p.size()] == '/';
}

// A base directory: the variable's value when it is an absolute path that does not hold the home,
// else `fallback`.
Path baseDirectory(const Places::Environment& environment, const char* name, const Path& home,
                   const Path& fallback)
{
    const auto value = lookup(environment, name);
    if (!value || value->empty() || value->front() != '/' || value->find('\0') != std::string::npos)
        return fallback;
    const Path path = FileSystem::standardize(Path(*value));
    return holdsHome(path, home) ? fallback : path;
}

std::vector<Path> searchList(const Places::Environment& environment, const char* name,
                             const std::vector<Path>& fallback)
{
    std::vector<Path> out;
    if (const auto value = lookup(environment, name)) {
        std::string_view rest = *value;
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            const std::string_view entry = rest.substr(0, colon);
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
            if (!entry.empty() && entry.front() == '/' && entry.find('\0') == std::string_view::npos)
                out.push_back(FileSystem::standardize(Path(std::string(entry))));
        }
    }
    return out.empty() ? fallback : out;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trimmedFront(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

// The components of `relative` joined below `base`, or nothing when one of them is "." or "..";
// repeated slashes are one.
std::optional<Path> joinStrictly(const Path& base, std::string_view relative)
{
    Path out = base;
    while (!relative.empty()) {
        const std::size_t slash = relative.find('/');
        const std::string_view part = relative.substr(0, slash);
        relative = slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
        if (part.empty())
            continue;
        if (part == "." || part == "..")
            return std::nullopt;
        out /= std::string(part);
    }
    return out;
}

// The path one user-dirs value names, or nothing when it is refused.
std::optional<Path> userDirPath(const std::string& value, const Path& home)
{
    if (value.find('\0') != std::string::npos)
        return std::nullopt;
    std::optional<Path> path;
    constexpr std::string_view kHome = "$HOME";
    const std::string_view view = value;
    if (view.substr(0, kHome.size()) == kHome) {
        const std::string_view rest = view.substr(kHome.size());
        if (!rest.empty() && rest.front() != '/')
            return std::nullopt; // "$HOMEX", "${HOME}"-like text, another variable
        path = joinStrictly(home, rest);
    } else if (!view.empty() && view.front() == '/') {
        path = joinStrictly(Path("/"), view);
    }
    if (!path || path->native() == home.native())
        return std::nullopt;
    const std::string& p = path->native();
    const std::string& h = home.native();
    const bool inside =
        p.size() > h.size() && p.compare(0, h.size(), h) == 0 && (h == "/" || p[h.size()] == '/');
    return inside ? path : std::nullopt;
}

std::optional<Places::UserFolder> folderForKey(std::string_view key)
{
    for (const Places::UserFolder which : kUserFolders) {
        if (key == Places::userDirsKey(which))
            return which;
    }
    return std::nullopt;
}

} // namespace

Places Places::current()
{
    Environment environment;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        if (text.substr(0, 4) != "XDG_")
            continue;
        const std::size_t equals = text.find('=');
        if (equals != std::string_view::npos)
            environment.emplace(std::string(text.substr(0, equals)), std::string(text.substr(equals + 1)));
    }
    return resolve(FileSystem::homeDirectory(), environment, Path("/"));
}

Places Places::resolve(const Path& home, const Environment& environment, const Path& systemRoot)
{
    Places shell = resolveWith(home, environment, systemRoot, std::nullopt);
    std::optional<QByteArray> file;
    if (auto contents = readBounded(shell.configHome() / "user-dirs.dirs", kUserDirsLimit))
        file = std::move(*contents);
    return file ? resolveWith(home, environment, systemRoot, file) : shell;
}

Places Places::resolveWith(const Path& home, const Environment& environment, const Path& systemRoot,
                           const std::optional<QByteArray>& userDirsFile)
{
    Places p;
    p.m_home = FileSystem::standardize(home);
    p.m_systemRoot = FileSystem::standardize(systemRoot);
    p.m_cacheHome = baseDirectory(environment, "XDG_CACHE_HOME", p.m_home, p.m_home / ".cache");
    p.m_configHome = baseDirectory(environment, "XDG_CONFIG_HOME", p.m_home, p.m_home / ".config");
    p.m_dataHome = baseDirectory(environment, "XDG_DATA_HOME", p.m_home, p.m_home / ".local/share");
    p.m_stateHome = baseDirectory(environment, "XDG_STATE_HOME", p.m_home, p.m_home / ".local/state");
    p.m_dataDirs =
        searchList(environment, "XDG_DATA_DIRS", {p.system("usr/local/share"), p.system("usr/share")});
    p.m_configDirs = searchList(environment, "XDG_CONFIG_DIRS", {p.system("etc/xdg")});

    const std::map<UserFolder, Path> chosen =
        userDirsFile ? parseUserDirs(*userDirsFile, p.m_home) : std::map<UserFolder, Path>{};
    p.m_userFolders.resize(kUserFolders.size());
    for (const UserFolder which : kUserFolders) {
        const auto it = chosen.find(which);
        p.m_userFolders[std::size_t(which)] =
            it != chosen.end() ? it->second : p.m_home / defaultFolderName(which);
    }
    return p;
}

const Path& Places::userFolder(UserFolder which) const
{
    return m_userFolders.at(std::size_t(which));
}

Path Places::system(const Path& relative) const
{
    const std::string& text = relative.native();
    std::size_t start = 0;
    while (start < text.size() && text[start] == '/')
        ++start;
    return start == text.size() ? m_systemRoot : m_systemRoot / text.substr(start);
}

const char* Places::userDirsKey(UserFolder which)
{
    switch (which) {
    case UserFolder::desktop:
        return "XDG_DESKTOP_DIR";
    case UserFolder::downloads:
        return "XDG_DOWNLOAD_DIR";
    case UserFolder::templates:
        return "XDG_TEMPLATES_DIR";
    case UserFolder::publicShare:
        return "XDG_PUBLICSHARE_DIR";
    case UserFolder::documents:
        return "XDG_DOCUMENTS_DIR";
    case UserFolder::music:
        return "XDG_MUSIC_DIR";
    case UserFolder::pictures:
        return "XDG_PICTURES_DIR";
    case UserFolder::videos:
        return "XDG_VIDEOS_DIR";
    }
    return "";
}

const char* Places::defaultFolderName(UserFolder which)
{
    switch (which) {
    case UserFolder::desktop:
        return "Desktop";
    case UserFolder::downloads:
        return "Downloads";
    case UserFolder::templates:
        return "Templates";
    case UserFolder::publicShare:
        return "Public";
    case UserFolder::documents:
        return "Documents";
    case UserFolder::music:
        return "Music";
    case UserFolder::pictures:
        return "Pictures";
    case UserFolder::videos:
        return "Videos";
    }
    return "";
}

std::map<Places::UserFolder, Path> Places::parseUserDirs(const QByteArray& contents, const Path& home)
{
    std::map<UserFolder, Path> out;
    const Path standardHome = FileSystem::standardize(home);
    std::string_view rest(contents.constData(), std::size_t(contents.size()));
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        std::string_view line = trimmedFront(rest.substr(0, newline));
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        if (line.empty() || line.front() == '#')
            continue;

        std::size_t keyEnd = 0;
        while (keyEnd < line.size() && line[keyEnd] != '=' && !isBlank(line[keyEnd]))
            ++keyEnd;
        const auto which = folderForKey(line.substr(0, keyEnd));
        if (!which)
            continue; // a name this file may carry that no folder here uses
        line = trimmedFront(line.substr(keyEnd));
        if (line.empty() || line.front() != '=') {
            out.erase(*which);
            continue;
        }
        line = trimmedFront(line.substr(1));

        // The quoted value: "\" escapes the next character, the closing quote ends it and only
        // blanks may follow.
        std::optional<std::string> value;
        if (!line.empty() && line.front() == '"') {
            std::string text;
            std::size_t i = 1;
            for (; i < line.size(); ++i) {
                if (line[i] == '\\') {
                    if (++i == line.size())
                        break;
                    text.push_back(line[i]);
                } else if (line[i] == '"') {
                    break;
                } else {
                    text.push_back(line[i]);
                }
            }
            if (i < line.size() && line[i] == '"' && trimmedFront(line.substr(i + 1)).empty())
                value = std::move(text);
        }
        std::optional<Path> path = value ? userDirPath(*value, standardHome) : std::nullopt;
        if (path)
            out[*which] = std::move(*path);
        else
            out.erase(*which);
    }
    return out;
}

} // namespace qm
