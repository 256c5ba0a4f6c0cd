#include "core/apps/RunningApps.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
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

} // namespace

std::optional<Path> bundleOf(const Path& executable)
{
    const std::string& text = executable.native();
    constexpr std::string_view kSuffix = ".app";
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos)
            return std::nullopt; // the last component is the executable itself, never a bundle
        const std::string_view component(text.data() + start, end - start);
        if (component.size() > kSuffix.size() && component.ends_with(kSuffix))
            return Path(text.substr(0, end));
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<Path> bundleOfProcess(qint64 pid, const Path& procRoot)
{
    const auto target = readLink((procRoot / std::to_string(pid) / "exe").native());
    if (!target)
        return std::nullopt;
    return bundleOf(Path(*target));
}

std::vector<RunningApplication> list(const Path& procRoot, const IdentifierReader& identifier)
{
    std::vector<RunningApplication> out;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(procRoot.c_str()));
    if (!dir)
        return out;
    std::map<std::string, QString> identifiers;
    std::string link = procRoot.native() + "/";
    const std::size_t base = link.size();
    std::size_t seen = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (++seen > kMaxProcesses)
            break;
        const std::string_view name(entry->d_name);
        const auto pid = pidOf(name);
        if (!pid)
            continue;
        link.resize(base);
        link.append(name).append("/exe");
        const auto target = readLink(link);
        if (!target)
            continue;
        auto bundle = bundleOf(Path(*target));
        if (!bundle)
            continue;
        auto known = identifiers.find(bundle->native());
        if (known == identifiers.end())
            known = identifiers.emplace(bundle->native(), identifier ? identifier(*bundle) : QString()).first;
        out.push_back(RunningApplication{*pid, std::move(*bundle), known->second});
    }
    std::sort(out.begin(), out.end(),
              [](const RunningApplication& a, const RunningApplication& b) { return a.pid < b.pid; });
    return out;
}

std::vector<RunningApplication> instancesOf(const std::vector<RunningApplication>& running,
                                            const Path& bundle, const QString& bundleID)
{
    const std::string target = FileSystem::standardize(bundle).native();
    std::vector<RunningApplication> out;
    for (const RunningApplication& app : running) {
        if ((!bundleID.isEmpty() && app.bundleID == bundleID) ||
            FileSystem::standardize(app.bundle).native() == target)
            out.push_back(app);
    }
    return out;
}

} // namespace qm::RunningApps
