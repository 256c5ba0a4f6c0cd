#include "core/privacy/PrivacyScanner.h"

#include "core/browsers/BrowserTable.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/malware/PlainText.h"
#include "platform/BoundedReader.h"

#include <algorithm>
#include <set>
#include <utility>

namespace qm {
namespace {

const char* const kCacheImage = "photo.stack";
const char* const kHistoryImage = "clock.arrow.circlepath";
const char* const kCookiesImage = "info.circle";

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

PrivacyScanner::PrivacyScanner(FileSystem fileManager, CleanupScanner sizer, Places places)
    : m_fileManager(std::move(fileManager)), m_sizer(std::move(sizer)), m_places(std::move(places))
{}

PrivacyScanner::PrivacyScanner(Places places)
    : PrivacyScanner(FileSystem(), CleanupScanner(FileSystem(), places.home()), places)
{}

std::vector<Path> PrivacyScanner::allowedRoots(const Places& places)
{
    return BrowserTable::allowedRoots(places);
}

std::vector<Path> PrivacyScanner::allowedRoots()
{
    return allowedRoots(Places::current());
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

std::optional<Path> PrivacyScanner::firefoxProfile(const Path& firefox) const
{
    // Firefox reads "profiles.ini" through a symbolic link, so this does too (otherwise the fallback
    // would offer another profile's data under this one's label), under the bounded reader's checks: a
    // special or oversized file at the end of the links counts as unreadable, as does one that is not
    // UTF-8 text.
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
    // Profiles lie directly in the Firefox folder here.
    const Path& profilesFolder = firefoxFolder;
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

std::vector<PrivacyScanner::Browser> PrivacyScanner::definitions() const
{
    std::vector<Browser> browsers;
    for (const BrowserTable::Row& row : BrowserTable::rows()) {
        Browser browser{row.name, {}};
        for (const BrowserTable::Install& install : BrowserTable::installs(row, m_places)) {
            if (row.family == BrowserTable::Family::chromium) {
                browser.installs.push_back(Def{row.name,
                                               chromiumProfileDirs(install.dataFolder),
                                               install.cacheFolder,
                                               {Path("History")},
                                               {Path("Cookies"), Path("Network/Cookies")}});
                continue;
            }
            // Firefox: no profile, no installation (its cache is then not offered either).
            auto profile = firefoxProfile(install.dataFolder);
            if (!profile)
                continue;
            // Its cache folder is named as its profile folder; a profile given as "..", or as the root,
            // names none.
            std::optional<Path> cache;
            const Path name = FileSystem::standardize(*profile).filename();
            if (!name.empty() && name != "." && name != "..")
                cache = install.cacheFolder / name;
            browser.installs.push_back(Def{row.name,
                                           {std::move(*profile)},
                                           std::move(cache),
                                           {Path("places.sqlite")},
                                           {Path("cookies.sqlite")}});
        }
        browsers.push_back(std::move(browser));
    }
    return browsers;
}

std::vector<PrivacyItem> PrivacyScanner::scan(std::stop_token stop, const BrowserStarted& started) const
{
    const SafetyGuard guard(allowedRoots(m_places));
    const std::vector<Browser> browsers = definitions();

    std::vector<PrivacyItem> collected;
    std::set<std::pair<quint64, quint64>> found;
    for (const Browser& browser : browsers) {
        if (started)
            started(browser.name);
        if (stop.stop_requested())
            break;
        for (const Def& def : browser.installs) {

            const auto add = [&](const QString& kind, const char* image, const Path& url) {
                // One file or folder is one item, however many ways lead to it (a Flatpak's folder
                // linked to the native one): offered twice, it would count twice and fail the second
                // time it is cleared.
                if (const auto status = m_fileManager.statusFollowingLinks(url);
                    status && !found.insert({status->id.device, status->id.inode}).second)
                    return;
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
                const QString suffix =
                    def.profiles.size() == 1
                        ? QString()
                        : QStringLiteral(" \u2014 ") + FileSystem::displayName(profile.filename());
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
