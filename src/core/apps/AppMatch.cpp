#include "core/apps/AppMatch.h"

#include <array>
#include <initializer_list>

namespace qm::AppMatch {
namespace {

std::set<QString> setOf(std::initializer_list<const char16_t*> words)
{
    std::set<QString> out;
    for (const char16_t* word : words)
        out.insert(QString::fromUtf16(word));
    return out;
}

// Parts of a reverse-DNS identifier that say nothing about which application it is.
const std::set<QString>& genericIDComponents()
{
    static const std::set<QString> components =
        setOf({u"com", u"org",   u"net", u"io",      u"co",     u"ai",         u"app", u"apps",
               u"me",  u"dev",   u"xyz", u"us",      u"uk",     u"de",         u"fr",  u"jp",
               u"cn",  u"in",    u"eu",  u"tv",      u"ly",     u"gg",         u"to",  u"sh",
               u"mac", u"macos", u"osx", u"desktop", u"helper", u"app-helper", u"inc", u"ltd"});
    return components;
}

// File-name suffixes that follow a bundle identifier in data file names, tried in this order.
constexpr std::array<QStringView, 3> kLeftoverExtensions = {u".plist", u".savedstate", u".binarycookies"};

// Ten letters or numbers (by Unicode property, counted in code points) with at least one number.
bool isTeamID(QStringView text)
{
    const QList<uint> codePoints = text.toUcs4();
    if (codePoints.size() != 10)
        return false;
    bool hasNumber = false;
    for (const uint c : codePoints) {
        if (!QChar::isLetterOrNumber(char32_t(c)))
            return false;
        hasNumber = hasNumber || QChar::isNumber(char32_t(c));
    }
    return hasNumber;
}

// The identifier's non-empty dot-separated parts minus the generic ones. Case-sensitive: callers
// pass lowercased identifiers.
std::set<QString> tokens(const QString& identifier)
{
    std::set<QString> out;
    for (const QString& part : identifier.split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
        if (genericIDComponents().count(part) == 0)
            out.insert(part);
    }
    return out;
}

int countEqualIgnoringCase(const QString& key, const QStringList& list)
{
    const QString lower = key.toLower();
    int count = 0;
    for (const QString& entry : list) {
        if (entry.toLower() == lower)
            ++count;
    }
    return count;
}

// The maximal runs of letters and numbers of `text`.
QStringList words(const QString& text)
{
    QStringList out;
    QString current;
    for (const uint code : text.toUcs4()) {
        const char32_t c = char32_t(code);
        if (QChar::isLetterOrNumber(c)) {
            current += QString::fromUcs4(&c, 1);
        } else if (!current.isEmpty()) {
            out.push_back(current);
            current.clear();
        }
    }
    if (!current.isEmpty())
        out.push_back(current);
    return out;
}

} // namespace

MatchKeys matchKeys(const QString& appName, const QString& bundleID, const QStringList& installedAppNames,
                    const QStringList& installedBundleIDs)
{
    MatchKeys keys;
    keys.name = countEqualIgnoringCase(appName, installedAppNames) >= 2 ? QString() : appName;
    keys.bundleID = bundleID.isEmpty() || countEqualIgnoringCase(bundleID, installedBundleIDs) >= 2
                        ? QString()
                        : bundleID;
    return keys;
}

bool nameMatchIsAmbiguous(const QString& name, const QStringList& installedAppNames)
{
    const QString key = name.toLower();
    if (key.isEmpty() || installedAppNames.isEmpty())
        return false;
    for (const QString& installed : installedAppNames) {
        const QString lower = installed.toLower();
        if (lower == key)
            continue;
        if (words(lower).contains(key))
            return true;
    }
    return false;
}

std::optional<QString> bundleIDCandidate(const QString& fileName)
{
    QString s = fileName.toLower();
    for (const QStringView suffix : kLeftoverExtensions) {
        if (s.endsWith(suffix)) {
            s.chop(suffix.size());
            break;
        }
    }
    const QStringList parts = s.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (parts.size() < 3)
        return std::nullopt;
    for (const QString& part : parts) {
        if (part.isEmpty() || part == u"group" || part == u"systemgroup")
            return std::nullopt;
    }
    if (isTeamID(parts.front()))
        return std::nullopt;
    return s;
}

bool isOrphaned(const QString& fileName, const QStringList& installedBundleIDs)
{
    const std::optional<QString> candidate = bundleIDCandidate(fileName);
    if (!candidate)
        return false;
    const QString& c = *candidate;
    if (c == u"com.apple" || c.startsWith(u"com.apple.") || c.contains(u".com.apple.") ||
        c.endsWith(u".com.apple"))
        return false;
    const std::set<QString> own = tokens(c);
    if (own.empty())
        return false;
    for (const QString& installed : installedBundleIDs) {
        if (installed.isEmpty())
            continue;
        for (const QString& token : tokens(installed.toLower())) {
            if (own.count(token) > 0)
                return false;
        }
    }
    return true;
}

const std::set<QString>& genericNames()
{
    static const std::set<QString> names =
        setOf({u"update",  u"updater",  u"helper", u"player",    u"notes",     u"mail",        u"data",
               u"app",     u"support",  u"cache",  u"caches",    u"settings",  u"preferences", u"info",
               u"agent",   u"service",  u"tools",  u"setup",     u"installer", u"uninstaller", u"manager",
               u"monitor", u"cloud",    u"sync",   u"backup",    u"music",     u"photos",      u"files",
               u"store",   u"launcher", u"client", u"server",    u"daemon",    u"extension",   u"plugin",
               u"widget",  u"shared",   u"common", u"resources", u"content",   u"media",       u"video",
               u"audio"});
    return names;
}

} // namespace qm::AppMatch
