#pragma once

#include "core/cleaning/CleanupScanner.h"
#include "core/privacy/PrivacyItem.h"
#include "platform/FileSystem.h"
#include "platform/Places.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

// Finds where the browsers it knows (Google Chrome, Brave, Microsoft Edge, Arc, Vivaldi, Chromium,
// Firefox and Safari, in that order: `BrowserTable`) keep their cache, history and cookies in the
// user's places on this platform, native and Flatpak installations alike, and measures each with the
// shared bounded sizer. Arc and Safari have no place here and find nothing. It only lists folders,
// tests existence and, for Firefox, reads "profiles.ini" through the bounded reader; it never opens a
// browser database and removes nothing. A plain value that keeps nothing between scans; copies may be
// used on any thread.
class PrivacyScanner
{
public:
    // Called on the scanning thread with a browser's display name just before the scan tests for
    // cancellation and begins that browser's work. Must not block.
    using BrowserStarted = std::function<void(const QString& browser)>;

    // The largest "profiles.ini" that is read, in bytes; a larger one counts as unreadable.
    static constexpr qint64 kMaxProfilesIniBytes = 1'000'000;

    // Memberwise: the file access used for listings and existence tests, the sizer (only its
    // bounded `size` is used) and the user's places searched.
    PrivacyScanner(FileSystem fileManager, CleanupScanner sizer, Places places);
    // The default file system, with a sizer over the same file system and home folder.
    explicit PrivacyScanner(Places places = Places::current());

    const FileSystem& fileManager() const { return m_fileManager; }
    const CleanupScanner& sizer() const { return m_sizer; }
    const Places& places() const { return m_places; }
    const Path& home() const { return m_places.home(); }

    // The roots of the SafetyGuard that privacy items are scanned, trashed and restored under: each
    // browser installation's data folder and the folder its cache item lies in (`BrowserTable`). Reads
    // nothing.
    static std::vector<Path> allowedRoots(const Places& places);
    // The same for the current user's places.
    static std::vector<Path> allowedRoots();
    // The SQLite side files of the database `database`: its path with "-wal", "-shm" and "-journal"
    // appended to the raw bytes, in that order. Does not test whether they exist.
    static std::vector<Path> sqliteSidecars(const Path& database);

    // The profile path that the text of a "profiles.ini" designates, as written in the file (relative
    // to the Firefox folder unless it begins with "/"); "" is a value (the Firefox folder itself),
    // nothing means the file designates none. Lines end at any newline character; only spaces and
    // tabs are trimmed. The one install section's "Default" wins, then the first profile section
    // with "Default=1" and a "Path", then the first install section with a "Default". A key counts
    // only when written "key=" at the start of a line, and its first occurrence in a section holds.
    static std::optional<QString> firefoxDefaultPath(const QString& ini);

    // The items of every browser, in table order, its native installation before its Flatpak one: per
    // installation the cache folder, then per profile folder its history and then its cookie
    // databases, each measured with the sizer (200,000 entries, 90 seconds, no exclusions; a partial
    // figure is used as it is), all unselected. Each file or folder is one item, under the first row
    // that reaches it, and only items that lie strictly below one of `allowedRoots` after links are
    // resolved are returned. When a profile's kind needs telling apart (an installation with more
    // than one profile folder) it ends in " — <profile folder name>", decoded for display only. `stop`
    // is tested once per browser before its work and also ends a measurement under way; a stopped scan
    // returns the filtered items collected so far. Synchronous and blocking: run it on a worker thread.
    // Never fails.
    std::vector<PrivacyItem> scan(std::stop_token stop = {}, const BrowserStarted& started = {}) const;

private:
    // One installation's places: its profile folders, its cache folder and the database names,
    // relative to a profile folder, of its history and cookies.
    struct Def
    {
        QString name;
        std::vector<Path> profiles;
        std::optional<Path> cache;
        std::vector<Path> history;
        std::vector<Path> cookies;
    };
    // One browser of the table with its installations found now.
    struct Browser
    {
        QString name;
        std::vector<Def> installs;
    };

    // The browser table for what is on disk now, in table order; a Firefox installation only when it
    // has a profile.
    std::vector<Browser> definitions() const;
    // The visible direct children of `dataFolder` that are folders themselves (a link is none), in
    // listing order; empty when the folder cannot be listed.
    std::vector<Path> chromiumProfileDirs(const Path& dataFolder) const;
    // The default profile of the Firefox folder `firefoxFolder`: the one its "profiles.ini" designates
    // when it exists, otherwise the first fitting entry of the folder itself, otherwise nothing.
    std::optional<Path> firefoxProfile(const Path& firefoxFolder) const;
    // The fallback: the folder's entries sorted by name, first ".default-release", then ".default-esr",
    // then any containing ".default".
    std::optional<Path> firefoxFallbackProfile(const Path& firefoxFolder) const;
    // The value of the first line of `section` (header included) that starts with "<key>=".
    static std::optional<QString> iniValue(const QString& key, const QStringList& section);
    // True when something exists at `path`, following links; a path holding a NUL names nothing.
    bool existsFollowingLinks(const Path& path) const;
    qint64 measure(const Path& path, std::stop_token stop) const;

    FileSystem m_fileManager;
    CleanupScanner m_sizer;
    Places m_places;
};

} // namespace qm
