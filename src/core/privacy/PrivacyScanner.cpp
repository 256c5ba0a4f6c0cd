#include "core/privacy/PrivacyScanner.h"

#include "core/cleaning/SafetyGuard.h"
#include "core/malware/PlainText.h"
#include "platform/BoundedReader.h"

#include <algorithm>
#include <array>

namespace qm {
namespace {

struct ChromiumRow
{
    const char* name;
    const char* dataFolder;  // below Library/Application Support
    const char* cacheFolder; // below Library/Caches
};

constexpr std::array<ChromiumRow, 6> kChromiumRows{{
    {"Google Chrome", "Google/Chrome", "Google/Chrome"},
    {"Brave", "BraveSoftware/Brave-Browser", "BraveSoftware/Brave-Browser"},
    {"Microsoft Edge", "Microsoft Edge", "Microsoft Edge"},
    {"Arc", "Arc/User Data", "Arc"},
    {"Vivaldi", "Vivaldi", "Vivaldi"},
    {"Chromium", "Chromium", "Chromium"},
}};

const char* const kCacheImage = "photo.stack";
const char* const kHistoryImage = "clock.arrow.circlepath";
const char* const kCookiesImage = "info.circle";

Path applicationSupport(const Path& home)
{
    return home / "Library/Application Support";
}

Path caches(const Path& home)
{
    return home / "Library/Caches";
}

bool isHidden(const Path& name)
{
    return !name.native().empty() && name.native().front() == '.';
}

bool endsWith(const std::string& text, std::string_view suffix)
{
    return text.size() >= suffix.size() &&
           std::string_view(text).substr(text.size() - suffix.size()) == suffix;
}

// The newline characters a line ends at: LF, VT, FF, CR, NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR
// (a CRLF pair makes an empty line between them, which is dropped like any other).
bool isNewline(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case u'\u0085':
    case u'\u2028':
    case u'\u2029':
        return true;
    default:
        return false;
    }
}

QStringView trimSpacesAndTabs(QStringView line)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && blank(line[begin]))
        ++begin;
    while (end > begin && blank(line[end - 1]))
        --end;
    return line.sliced(begin, end - begin);
}

// The non-empty trimmed lines of `text`, grouped into sections: a line starting with "[" opens a new
// one; lines before the first header form a section of their own.
std::vector<QStringList> iniSections(const QString& text)
{
    std::vector<QStringList> sections;
    QStringList current;
    const auto close = [&] {
        if (!current.isEmpty())
            sections.push_back(std::exchange(current, {}));
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isNewline(text[i]))
            continue;
        const QStringView line = trimSpacesAndTabs(QStringView(text).sliced(start, i - start));
        start = i + 1;
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'['))
            close();
        current.append(line.toString());
    }
    close();
    return sections;
}

bool isSection(const QStringList& section, QLatin1StringView headerStart)
{
    return !section.isEmpty() && section.front().startsWith(headerStart);
}

} // namespace

PrivacyScanner::PrivacyScanner(FileSystem fileManager, CleanupScanner sizer, Path home)
    : m_fileManager(std::move(fileManager)), m_sizer(std::move(sizer)), m_home(std::move(home))
{}

PrivacyScanner::PrivacyScanner(Path home)
    : PrivacyScanner(FileSystem(), CleanupScanner(FileSystem(), home), home)
{}

const std::map<QString, QString>& PrivacyScanner::bundleIDs()
{
    static const std::map<QString, QString> table{
        {QStringLiteral("Google Chrome"), QStringLiteral("com.google.Chrome")},
        {QStringLiteral("Brave"), QStringLiteral("com.brave.Browser")},
        {QStringLiteral("Microsoft Edge"), QStringLiteral("com.microsoft.edgemac")},
        {QStringLiteral("Arc"), QStringLiteral("company.thebrowser.Browser")},
        {QStringLiteral("Vivaldi"), QStringLiteral("com.vivaldi.Vivaldi")},
        {QStringLiteral("Chromium"), QStringLiteral("org.chromium.Chromium")},
        {QStringLiteral("Firefox"), QStringLiteral("org.mozilla.firefox")},
        {QStringLiteral("Safari"), QStringLiteral("com.apple.Safari")},
    };
    return table;
}

std::vector<Path> PrivacyScanner::allowedRoots(const Path& home)
{
    return {caches(home), applicationSupport(home)};
}

std::vector<Path> PrivacyScanner::allowedRoots()
{
    return allowedRoots(FileSystem::homeDirectory());
}

std::vector<Path> PrivacyScanner::sqliteSidecars(const Path& database)
{
    std::vector<Path> sidecars;
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        sidecars.emplace_back(database.native() + suffix);
    return sidecars;
}

std::optional<QString> PrivacyScanner::iniValue(const QString& key, const QStringList& section)
{
    const QString prefix = key + u'=';
    for (const QString& line : section) {
        if (line.startsWith(prefix))
            return line.sliced(prefix.size());
    }
    return std::nullopt;
}

std::optional<QString> PrivacyScanner::firefoxDefaultPath(const QString& ini)
{
    const std::vector<QStringList> sections = iniSections(ini);
    const QString defaultKey = QStringLiteral("Default");
    std::vector<const QStringList*> installs;
    for (const QStringList& section : sections) {
        if (isSection(section, QLatin1StringView("[Install")))
            installs.push_back(&section);
    }

    if (installs.size() == 1) {
        if (auto value = iniValue(defaultKey, *installs.front()))
            return value;
    }
    for (const QStringList& section : sections) {
        if (!isSection(section, QLatin1StringView("[Profile")))
            continue;
        if (iniValue(defaultKey, section) != QStringLiteral("1"))
            continue;
        if (auto path = iniValue(QStringLiteral("Path"), section))
            return path;
    }
    for (const QStringList* install : installs) {
        if (auto value = iniValue(defaultKey, *install))
            return value;
    }
    return std::nullopt;
}

bool PrivacyScanner::existsFollowingLinks(const Path& path) const
{
    if (path.native().find('\0') != std::string::npos)
        return false;
    return m_fileManager.statusFollowingLinks(path).ok();
}

qint64 PrivacyScanner::measure(const Path& path, std::stop_token stop) const
{
    return m_sizer.size(path, {}, CleanupScanner::kNodeLimit, false, CleanupScanner::kDeadlineSeconds,
                        nullptr, stop);
}

std::vector<Path> PrivacyScanner::chromiumProfileDirs(const Path& dataFolder) const
{
    std::vector<Path> profiles;
    const auto listing = m_fileManager.list(dataFolder);
    if (!listing)
        return profiles;
    for (const Path& name : listing->names) {
        if (isHidden(name))
            continue;
        const Path child = dataFolder / name;
        const auto status = m_fileManager.status(child);
        if (status && status->isDirectory())
            profiles.push_back(child);
    }
    return profiles;
}

std::optional<Path> PrivacyScanner::firefoxProfile() const
{
    const Path firefox = applicationSupport(m_home) / "Firefox";
    // Read through a link (a synced or shared "profiles.ini" is often one), as the regular file at the
    // link's end and within the cap; a special or oversized file at the end counts as unreadable, as
    // does one that is not UTF-8 text. A relative profile path stays relative to this folder.
    if (const auto bytes = readBoundedFollowingLinks(firefox / "profiles.ini", kMaxProfilesIniBytes)) {
        if (const auto text = PlainText::decodeUtf8(*bytes)) {
            if (const auto value = firefoxDefaultPath(*text)) {
                const std::string raw = value->toStdString();
                Path candidate;
                if (raw.empty())
                    candidate = firefox;
                else if (raw.front() == '/')
                    candidate = Path(raw);
                else
                    candidate = firefox / Path(raw);
                if (existsFollowingLinks(candidate))
                    return candidate;
            }
        }
    }
    return firefoxFallbackProfile(firefox);
}

std::optional<Path> PrivacyScanner::firefoxFallbackProfile(const Path& firefoxFolder) const
{
    const Path profilesFolder = firefoxFolder / "Profiles";
    const auto listing = m_fileManager.list(profilesFolder);
    if (!listing)
        return std::nullopt;
    // Byte order of UTF-8 names is the order of their code points.
    std::vector<std::string> names;
    names.reserve(listing->names.size());
    for (const Path& name : listing->names)
        names.push_back(name.native());
    std::sort(names.begin(), names.end());

    const auto firstWhere = [&](auto matches) -> std::optional<Path> {
        const auto found = std::find_if(names.begin(), names.end(), matches);
        if (found == names.end())
            return std::nullopt;
        return profilesFolder / Path(*found);
    };
    if (auto release = firstWhere([](const std::string& n) { return endsWith(n, ".default-release"); }))
        return release;
    if (auto esr = firstWhere([](const std::string& n) { return endsWith(n, ".default-esr"); }))
        return esr;
    return firstWhere([](const std::string& n) { return n.find(".default") != std::string::npos; });
}

std::vector<PrivacyScanner::Def> PrivacyScanner::definitions() const
{
    std::vector<Def> defs;
    const Path support = applicationSupport(m_home);
    const Path cacheRoot = caches(m_home);
    for (const ChromiumRow& row : kChromiumRows) {
        defs.push_back(Def{QString::fromUtf8(row.name),
                           chromiumProfileDirs(support / row.dataFolder),
                           cacheRoot / row.cacheFolder,
                           {Path("History")},
                           {Path("Cookies"), Path("Network/Cookies")}});
    }
    if (auto profile = firefoxProfile()) {
        defs.push_back(Def{QStringLiteral("Firefox"),
                           {std::move(*profile)},
                           cacheRoot / "Firefox",
                           {Path("places.sqlite")},
                           {Path("cookies.sqlite")}});
    }
    defs.push_back(Def{QStringLiteral("Safari"), {}, cacheRoot / "com.apple.Safari", {}, {}});
    return defs;
}

std::vector<PrivacyItem> PrivacyScanner::scan(std::stop_token stop, const BrowserStarted& started) const
{
    const SafetyGuard guard(allowedRoots(m_home));
    const std::vector<Def> defs = definitions();

    std::vector<PrivacyItem> collected;
    for (const Def& def : defs) {
        if (started)
            started(def.name);
        if (stop.stop_requested())
            break;

        const auto add = [&](const QString& kind, const char* image, const Path& url) {
            PrivacyItem item;
            item.browser = def.name;
            item.kind = kind;
            item.systemImage = QString::fromLatin1(image);
            item.url = url;
            item.bytes = measure(url, stop);
            collected.push_back(std::move(item));
        };

        if (def.cache && existsFollowingLinks(*def.cache))
            add(QStringLiteral("Cache"), kCacheImage, *def.cache);
        for (const Path& profile : def.profiles) {
            const QString suffix = def.profiles.size() == 1 ? QString()
                                                            : QStringLiteral(" \u2014 ") +
                                                                  FileSystem::displayName(profile.filename());
            for (const Path& name : def.history) {
                const Path url = profile / name;
                if (!existsFollowingLinks(url))
                    continue;
                const QString kind = name == Path("places.sqlite") ? QStringLiteral("History & Bookmarks")
                                                                   : QStringLiteral("History");
                add(kind + suffix, kHistoryImage, url);
            }
            for (const Path& name : def.cookies) {
                const Path url = profile / name;
                if (existsFollowingLinks(url))
                    add(QStringLiteral("Cookies") + suffix, kCookiesImage, url);
            }
        }
    }

    std::vector<PrivacyItem> kept;
    kept.reserve(collected.size());
    for (PrivacyItem& item : collected) {
        if (guard.isCleanable(item.url))
            kept.push_back(std::move(item));
    }
    return kept;
}

} // namespace qm
