#include "core/apps/RunningApps.h"

#include "platform/BoundedReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <memory>
#include <string>
#include <string_view>

namespace qm::RunningApps {
namespace {

struct DirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The target of the link at `link` without following it; nothing when it cannot be read or is longer
// than a path may be.
std::optional<std::string> readLink(const std::string& link)
{
    std::array<char, 4096> buffer{};
    const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
    if (n <= 0 || std::size_t(n) >= buffer.size())
        return std::nullopt;
    return std::string(buffer.data(), std::size_t(n));
}

std::optional<qint64> pidOf(std::string_view name)
{
    qint64 pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error != std::errc() || end != name.data() + name.size() || pid <= 0)
        return std::nullopt;
    return pid;
}

std::string_view trimBlanks(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isFlatpakId(std::string_view id)
{
    if (id.empty() || id.size() > 255 || id.front() == '.' || id.back() == '.' ||
        id.find("..") != std::string_view::npos || id.find('.') == std::string_view::npos)
        return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-' || c == '.';
    });
}

// The process whose table entry is `entry` below `procRoot` (`entryPath` is "<procRoot>/<pid>"),
// when it is `owner`'s and its executable can be read.
std::optional<RunningApplication> describe(qint64 pid, const std::string& entryPath, uid_t owner)
{
    struct stat st;
    if (::stat(entryPath.c_str(), &st) != 0 || st.st_uid != owner)
        return std::nullopt;
    auto target = readLink(entryPath + "/exe");
    if (!target)
        return std::nullopt;
    RunningApplication process;
    process.pid = pid;
    process.executable = Path(std::move(*target));
    // Outside a sandbox this names the host's "/.flatpak-info", which does not exist.
    if (const auto info = readBounded(Path(entryPath + "/root/.flatpak-info"), kMaxFlatpakInfoBytes))
        process.flatpakId = flatpakIdFromInfo(*info);
    return process;
}

} // namespace

QString flatpakIdFromInfo(const QByteArray& info)
{
    const std::string_view text(info.constData(), std::size_t(info.size()));
    bool inApplication = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = trimBlanks(text.substr(start, end - start));
        start = end + 1;
        if (line.starts_with('[')) {
            inApplication = line == "[Application]";
            continue;
        }
        if (!inApplication)
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || trimBlanks(line.substr(0, equals)) != "name")
            continue;
        const std::string_view id = trimBlanks(line.substr(equals + 1));
        // The first "name" of the group holds, well-formed or not.
        return isFlatpakId(id) ? QString::fromLatin1(id.data(), qsizetype(id.size())) : QString();
    }
    return QString();
}

std::optional<RunningApplication> process(qint64 pid, const Path& procRoot, uid_t owner)
{
    if (pid <= 0)
        return std::nullopt;
    return describe(pid, (procRoot / std::to_string(pid)).native(), owner);
}

std::vector<RunningApplication> list(const Path& procRoot, uid_t owner)
{
    std::vector<RunningApplication> out;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(procRoot.c_str()));
    if (!dir)
        return out;
    std::string entryPath = procRoot.native() + "/";
    const std::size_t base = entryPath.size();
    std::size_t seen = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (++seen > kMaxProcesses)
            break;
        const std::string_view name(entry->d_name);
        const auto pid = pidOf(name);
        if (!pid)
            continue;
        entryPath.resize(base);
        entryPath.append(name);
        auto found = describe(*pid, entryPath, owner);
        if (!found)
            continue;
        out.push_back(std::move(*found));
    }
    std::sort(out.begin(), out.end(),
              [](const RunningApplication& a, const RunningApplication& b) { return a.pid < b.pid; });
    return out;
}

std::vector<RunningApplication> instancesOf(const std::vector<RunningApplication>& running,
                                            const ProgramIdentity& program)
{
    std::vector<RunningApplication> out;
    std::copy_if(running.begin(), running.end(), std::back_inserter(out),
                 [&](const RunningApplication& app) { return program.recognises(app); });
    return out;
}

} // namespace qm::RunningApps
