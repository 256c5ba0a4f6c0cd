#include "core/privacy/PrivacyScanner.h"

#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/SqliteFile.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>

namespace qm {
namespace {

using namespace std::chrono_literals;

const QString kDash = QStringLiteral(" \u2014 ");

// What a test compares of an item: browser, kind, image and path.
struct Seen
{
    QString browser;
    QString kind;
    QString image;
    Path url;

    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* os)
{
    *os << s.browser.toStdString() << " | " << s.kind.toStdString() << " | " << s.image.toStdString() << " | "
        << s.url.native();
}

std::vector<Seen> seen(const std::vector<PrivacyItem>& items)
{
    std::vector<Seen> out;
    for (const PrivacyItem& item : items)
        out.push_back({item.browser, item.kind, item.systemImage, item.url});
    return out;
}

Seen cache(const QString& browser, const Path& url)
{
    return {browser, QStringLiteral("Cache"), QStringLiteral("photo.stack"), url};
}

Seen history(const QString& browser, const QString& kind, const Path& url)
{
    return {browser, kind, QStringLiteral("clock.arrow.circlepath"), url};
}

Seen cookies(const QString& browser, const QString& kind, const Path& url)
{
    return {browser, kind, QStringLiteral("info.circle"), url};
}

class PrivacyScannerTest : public ::testing::Test
{
protected:
    test::TempTree tree;
    Path home = tree.folder("home");
    Path support = home / "Library/Application Support";
    Path caches = home / "Library/Caches";
    Path firefox = support / "Firefox";

    PrivacyScanner scanner() const
    {
        return PrivacyScanner(FileSystem(), CleanupScanner(FileSystem(), home), home);
    }

    // A real SQLite database, its folders made first.
    Path database(const Path& path)
    {
        tree.folder(path.parent_path());
        test::makeSqliteFile(path);
        return path;
    }

    // A cache folder holding a few files of different sizes, one of them in a subfolder.
    Path cacheFolder(const Path& path)
    {
        tree.file(path / "data_0", 5000);
        tree.file(path / "Cache_Data/f_000001", 70'000);
        tree.file(path / "index", 100);
        return path;
    }

    // A Chromium profile with "History", "Cookies" and "Network/Cookies".
    Path chromiumProfile(const Path& dataFolder, const Path& name)
    {
        const Path profile = dataFolder / name;
        database(profile / "History");
        database(profile / "Cookies");
        database(profile / "Network/Cookies");
        return profile;
    }
};

TEST_F(PrivacyScannerTest, BundleIdentifiersOfTheEightBrowsers)
{
    const std::vector<std::pair<QString, QString>> expected{
        {"Google Chrome", "com.google.Chrome"},      {"Brave", "com.brave.Browser"},
        {"Microsoft Edge", "com.microsoft.edgemac"}, {"Arc", "company.thebrowser.Browser"},
        {"Vivaldi", "com.vivaldi.Vivaldi"},          {"Chromium", "org.chromium.Chromium"},
        {"Firefox", "org.mozilla.firefox"},          {"Safari", "com.apple.Safari"},
    };
    const auto& table = PrivacyScanner::bundleIDs();
    EXPECT_EQ(table.size(), expected.size());
    for (const auto& [name, identifier] : expected) {
        const auto found = table.find(name);
        ASSERT_NE(found, table.end()) << name.toStdString();
        EXPECT_EQ(found->second, identifier) << name.toStdString();
    }
    EXPECT_EQ(&table, &PrivacyScanner::bundleIDs());
}

TEST_F(PrivacyScannerTest, AllowedRootsAndSideFiles)
{
    EXPECT_EQ(PrivacyScanner::allowedRoots("/h"),
              (std::vector<Path>{"/h/Library/Caches", "/h/Library/Application Support"}));
    EXPECT_EQ(PrivacyScanner::allowedRoots(), PrivacyScanner::allowedRoots(FileSystem::homeDirectory()));

    // Appended to the raw bytes, whether or not anything is there, a name that is not UTF-8 included.
    const Path profile = tree.folder(support / "Google/Chrome" / std::string("P\xff"));
    const Path db = database(profile / "History");
    tree.file(db.native() + "-wal", 10);
    const std::vector<Path> sidecars = PrivacyScanner::sqliteSidecars(db);
    ASSERT_EQ(sidecars.size(), 3u);
    EXPECT_EQ(sidecars[0].native(), db.native() + "-wal");
    EXPECT_EQ(sidecars[1].native(), db.native() + "-shm");
    EXPECT_EQ(sidecars[2].native(), db.native() + "-journal");
    EXPECT_EQ(PrivacyScanner::sqliteSidecars("/nowhere/places.sqlite"),
              (std::vector<Path>{"/nowhere/places.sqlite-wal", "/nowhere/places.sqlite-shm",
                                 "/nowhere/places.sqlite-journal"}));
}

TEST_F(PrivacyScannerTest, ProfilesIniParsing)
{
    struct Case
    {
        const char* what;
        QString ini;
        std::optional<QString> expected;
    };
    const std::vector<Case> cases{
        {"one install section wins over a profile marked default",
         "[Install4F96D1932A9F858E]\nDefault=Profiles/inst.default-release\nLocked=1\n\n"
         "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/old.default\nDefault=1\n",
         "Profiles/inst.default-release"},
        {"two install sections: the profile marked default",
         "[Install1111]\nDefault=Profiles/one\n[Install2222]\nDefault=Profiles/two\n"
         "[Profile1]\nPath=Profiles/other\n[Profile0]\nPath=Profiles/chosen.default\nDefault=1\n",
         "Profiles/chosen.default"},
        {"two install sections and no marked profile: the first install's",
         "[Profile0]\nPath=Profiles/p\n[Install1111]\nLocked=1\n[Install2222]\nDefault=Profiles/two\n"
         "[Install3333]\nDefault=Profiles/three\n",
         "Profiles/two"},
        {"one install section without Default: the marked profile",
         "[Install1111]\nLocked=1\n[Profile0]\nDefault=1\nPath=/abs/profile\n", "/abs/profile"},
        {"Default other than exactly 1 is passed over",
         "[Profile0]\nDefault=true\nPath=a\n[Profile1]\nDefault=1 \nPath=b\n[Profile2]\nDefault=01\nPath=c\n",
         "b"}, // trailing blanks go with the line, so "1 " reads as "1"
        {"a marked profile without Path is passed over",
         "[Profile0]\nDefault=1\n[Profile1]\nDefault=1\nPath=x\n", "x"},
        {"blanks around = define nothing",
         "[Install1111]\nDefault =Profiles/a\n[Profile0]\nDefault= 1\nPath=p\n[Profile1]\nPath "
         "=q\nDefault=1\n",
         std::nullopt},
        {"an empty value is a value", "[Install1111]\nDefault=\n[Profile0]\nDefault=1\nPath=p\n", QString()},
        {"lines before the first header match nothing",
         "Default=Profiles/top\nPath=top\n[General]\nVersion=2\n", std::nullopt},
        {"a later duplicate is ignored", "[Install1111]\nDefault=first\nDefault=second\n", "first"},
        {"a header line cannot define a key", "[Install1111]\nLocked=1\n[Profile0 Default=1]\nPath=p\n",
         std::nullopt},
        {"keys are case-sensitive", "[Install1111]\ndefault=low\n[install2222]\nDefault=x\n", std::nullopt},
        {"indented lines and headers are trimmed of spaces and tabs",
         "  \t[Install1111]\t\n\t Default=Profiles/t \t\n", "Profiles/t"},
        {"CRLF line ends", "[Install1111]\r\nDefault=Profiles/crlf\r\n[Profile0]\r\nDefault=1\r\nPath=p\r\n",
         "Profiles/crlf"},
        {"CR line ends", "[Install1111]\rDefault=Profiles/cr\r", "Profiles/cr"},
        {"LINE SEPARATOR, NEL, VT and FF end lines",
         QStringLiteral("[Profile0]\u2028Path=Profiles/ls\u0085Default=1\u000B[Install1]\u000CLocked=1"),
         "Profiles/ls"},
        {"a no-break space is not trimmed", QStringLiteral("\u00A0[Install1111]\nDefault=nbsp\n"),
         std::nullopt},
        {"empty text", QString(), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PrivacyScanner::firefoxDefaultPath(c.ini), c.expected) << c.what;
}

TEST_F(PrivacyScannerTest, NothingInstalledFindsNothing)
{
    EXPECT_TRUE(scanner().scan().empty());
    tree.folder(caches);
    tree.folder(support / "Google/Chrome");
    tree.folder(firefox / "Profiles");
    EXPECT_TRUE(scanner().scan().empty());
}

TEST_F(PrivacyScannerTest, OneDefaultProfileHasNoSuffix)
{
    const Path chrome = support / "Google/Chrome";
    const Path cacheDir = cacheFolder(caches / "Google/Chrome");
    const Path profile = chromiumProfile(chrome, "Default");
    tree.file(chrome / "Local State", 300); // a file beside the profile is no profile
    tree.folder(chrome / ".hidden");        // nor is a hidden folder
    tree.folder(home / "elsewhere/Profile 9");
    tree.symlink(home / "elsewhere/Profile 9", chrome / "Profile 9"); // nor a link to a folder

    const auto items = scanner().scan();
    const QString chromeName = QStringLiteral("Google Chrome");
    const std::vector<Seen> expected{
        cache(chromeName, cacheDir),
        history(chromeName, "History", profile / "History"),
        cookies(chromeName, "Cookies", profile / "Cookies"),
        cookies(chromeName, "Cookies", profile / "Network/Cookies"),
    };
    EXPECT_EQ(seen(items), expected);
    std::set<QUuid> ids;
    for (const PrivacyItem& item : items) {
        EXPECT_FALSE(item.isSelected) << item.url;
        EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url)) << item.url;
        EXPECT_GT(item.bytes, 0) << item.url;
        ids.insert(item.id);
    }
    EXPECT_EQ(ids.size(), items.size());
    // Every scan makes new items.
    const auto again = scanner().scan();
    ASSERT_EQ(again.size(), items.size());
    EXPECT_NE(again.front().id, items.front().id);
}

TEST_F(PrivacyScannerTest, SecondFolderBesideDefaultGivesEveryProfileItsSuffix)
{
    struct Case
    {
        const char* what;
        const char* second;
        bool secondHoldsData;
    };
    const std::vector<Case> cases{
        {"a second profile", "Profile 1", true},
        {"any other folder", "Crashpad", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempTree local;
        const Path h = local.folder("home");
        const Path edge = h / "Library/Application Support/Microsoft Edge";
        const Path def = edge / "Default";
        local.folder(def / "Network");
        test::makeSqliteFile(def / "History");
        test::makeSqliteFile(def / "Network/Cookies");
        const Path second = local.folder(edge / c.second);
        if (c.secondHoldsData)
            test::makeSqliteFile(second / "Cookies");

        const auto items = PrivacyScanner(FileSystem(), CleanupScanner(FileSystem(), h), h).scan();
        const QString name = QStringLiteral("Microsoft Edge");
        const std::vector<Seen> ofDefault{
            history(name, "History" + kDash + "Default", def / "History"),
            cookies(name, "Cookies" + kDash + "Default", def / "Network/Cookies"),
        };
        std::vector<Seen> ofSecond;
        if (c.secondHoldsData)
            ofSecond.push_back(cookies(name, "Cookies" + kDash + c.second, second / "Cookies"));
        // Profiles come in listing order, whichever that is; each keeps its own items together.
        std::vector<Seen> defaultFirst = ofDefault;
        defaultFirst.insert(defaultFirst.end(), ofSecond.begin(), ofSecond.end());
        std::vector<Seen> secondFirst = ofSecond;
        secondFirst.insert(secondFirst.end(), ofDefault.begin(), ofDefault.end());
        const std::vector<Seen> actual = seen(items);
        EXPECT_TRUE(actual == defaultFirst || actual == secondFirst) << ::testing::PrintToString(actual);
    }
}

TEST_F(PrivacyScannerTest, EveryBrowserInTableOrder)
{
    struct Row
    {
        QString name;
        Path data;
        Path cache;
    };
    const std::vector<Row> chromium{
        {"Google Chrome", "Google/Chrome", "Google/Chrome"},
        {"Brave", "BraveSoftware/Brave-Browser", "BraveSoftware/Brave-Browser"},
        {"Microsoft Edge", "Microsoft Edge", "Microsoft Edge"},
        {"Arc", "Arc/User Data", "Arc"},
        {"Vivaldi", "Vivaldi", "Vivaldi"},
        {"Chromium", "Chromium", "Chromium"},
    };
    std::vector<Seen> expected;
    // Made in reverse, so that creation order cannot stand in for table order.
    for (auto row = chromium.rbegin(); row != chromium.rend(); ++row) {
        cacheFolder(caches / row->cache);
        chromiumProfile(support / row->data, "Default");
    }
    for (const Row& row : chromium) {
        const Path profile = support / row.data / "Default";
        expected.push_back(cache(row.name, caches / row.cache));
        expected.push_back(history(row.name, "History", profile / "History"));
        expected.push_back(cookies(row.name, "Cookies", profile / "Cookies"));
        expected.push_back(cookies(row.name, "Cookies", profile / "Network/Cookies"));
    }
    // Arc's data lives in "Arc/User Data": a profile directly in "Arc" is not one.
    chromiumProfile(support / "Arc", "Default");

    cacheFolder(caches / "Firefox");
    tree.fileWithContent(firefox / "profiles.ini", "[Install1]\nDefault=Profiles/x.default-release\n");
    const Path ff = firefox / "Profiles/x.default-release";
    database(ff / "places.sqlite");
    database(ff / "cookies.sqlite");
    database(ff / "History"); // a Chromium name means nothing to Firefox
    expected.push_back(cache("Firefox", caches / "Firefox"));
    expected.push_back(history("Firefox", "History & Bookmarks", ff / "places.sqlite"));
    expected.push_back(cookies("Firefox", "Cookies", ff / "cookies.sqlite"));

    cacheFolder(caches / "com.apple.Safari");
    database(support / "Safari/History"); // Safari gives its cache only
    chromiumProfile(support / "Safari", "Default");
    expected.push_back(cache("Safari", caches / "com.apple.Safari"));

    const auto items = scanner().scan();
    EXPECT_EQ(seen(items), expected);
    for (const PrivacyItem& item : items)
        EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url)) << item.url;
}

TEST_F(PrivacyScannerTest, SafariWithoutItsCacheGivesNothing)
{
    database(support / "Safari/History.db");
    database(home / "Library/Safari/History.db");
    tree.folder(caches / "Safari");
    EXPECT_TRUE(scanner().scan().empty());
}

TEST_F(PrivacyScannerTest, ProfileNamedWithBytesThatAreNotUtf8)
{
    const Path vivaldi = support / "Vivaldi";
    const Path def = chromiumProfile(vivaldi, "Default");
    const Path odd = vivaldi / std::string("P\xff");
    tree.folder(odd);
    test::makeSqliteFile(odd / "History", 40); // a different size from Default's, so a mix-up shows

    const auto items = scanner().scan();
    ASSERT_EQ(items.size(), 4u);
    const QString oddSuffix = kDash + FileSystem::displayName(std::string("P\xff"));
    int oddItems = 0;
    for (const PrivacyItem& item : items) {
        SCOPED_TRACE(item.url.native());
        EXPECT_TRUE(std::filesystem::exists(item.url));
        EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url));
        if (item.url.parent_path() == odd) {
            ++oddItems;
            EXPECT_EQ(item.url.native(), odd.native() + "/History");
            EXPECT_EQ(item.kind, "History" + oddSuffix);
        } else {
            EXPECT_EQ(item.url.parent_path().native().rfind(def.native(), 0), 0u);
            EXPECT_TRUE(item.kind.endsWith(kDash + "Default"));
        }
    }
    EXPECT_EQ(oddItems, 1);
}

TEST_F(PrivacyScannerTest, FirefoxProfileFromProfilesIni)
{
    tree.folder(caches / "Firefox");
    struct Case
    {
        const char* what;
        std::string ini;
        Path placesIn; // where the expected places.sqlite lies; empty: no Firefox history item
    };
    const Path outside = tree.folder("outside/abs.default");
    test::makeSqliteFile(outside / "places.sqlite");
    const Path absInside = firefox / "Profiles/abs.inside";
    const std::vector<Case> cases{
        {"relative Path of the marked profile", "[Profile0]\nPath=Profiles/rel.default\nDefault=1\n",
         firefox / "Profiles/rel.default"},
        {"absolute Path inside the roots", "[Profile0]\nPath=" + absInside.native() + "\nDefault=1\n",
         absInside},
        {"empty value: the Firefox folder is the profile", "[Install1]\nDefault=\n", firefox},
        {"absolute Path elsewhere: dropped by the guard",
         "[Install1]\nDefault=" + outside.native() + "\n",
         {}},
        {"climbing out with ..: dropped by the guard",
         "[Install1]\nDefault=../../../../outside/abs.default\n",
         {}},
        {"climbing and coming back in is still refused",
         "[Install1]\nDefault=Profiles/../Profiles/rel.default\n",
         {}},
        {"a designated profile that does not exist: the fallback", "[Install1]\nDefault=Profiles/gone\n",
         firefox / "Profiles/fb.default-release"},
        {"a Path holding a NUL names nothing: the fallback",
         std::string("[Install1]\nDefault=Profiles/rel.default\0/x\n", 43),
         firefox / "Profiles/fb.default-release"},
        {"nothing designated: the fallback", "[General]\nStartWithLastProfile=1\n",
         firefox / "Profiles/fb.default-release"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Path ini = tree.fileWithContent(firefox / "profiles.ini", QByteArray::fromStdString(c.ini));
        for (const Path& p :
             {firefox / "places.sqlite", firefox / "Profiles/rel.default/places.sqlite",
              absInside / "places.sqlite", firefox / "Profiles/fb.default-release/places.sqlite"}) {
            if (!std::filesystem::exists(p))
                database(p);
        }
        const auto items = scanner().scan();
        std::vector<Seen> expected{cache("Firefox", caches / "Firefox")};
        if (!c.placesIn.empty())
            expected.push_back(history("Firefox", "History & Bookmarks", c.placesIn / "places.sqlite"));
        EXPECT_EQ(seen(items), expected);
    }
}

TEST_F(PrivacyScannerTest, FirefoxFallbackOrder)
{
    struct Case
    {
        const char* what;
        std::vector<const char*> folders;
        std::vector<const char*> files;
        const char* expected; // nullptr: no Firefox row at all
    };
    const std::vector<Case> cases{
        {"release before default", {"b.default", "a.default-release"}, {}, "a.default-release"},
        {"release even when it sorts last", {"a.default", "z.default-release"}, {}, "z.default-release"},
        {"esr before default", {"a.default-esr", "b.default"}, {}, "a.default-esr"},
        {"first default after sorting", {"z.default", "y.default"}, {}, "y.default"},
        {".default anywhere in the name", {"q", "m.default.old"}, {}, "m.default.old"},
        {"hidden entries take part", {".a.default", "b.default"}, {}, ".a.default"},
        {"code-point order, upper case first", {"b.default", "B.default"}, {}, "B.default"},
        {"a file may be picked", {"b.default"}, {"a.default"}, "a.default"},
        {"only dev-edition: no Firefox", {"dev-edition"}, {}, nullptr},
        {"no Profiles folder: no Firefox", {}, {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempTree local;
        const Path h = local.folder("home");
        const Path ff = h / "Library/Application Support/Firefox";
        const Path ffCache = local.file(h / "Library/Caches/Firefox/blob", 2000).parent_path();
        // The Firefox folder exists in every case, only its Profiles differ.
        local.file(ff / "installs.ini", 10);
        for (const char* folder : c.folders) {
            local.folder(ff / "Profiles" / folder);
            test::makeSqliteFile(ff / "Profiles" / folder / "cookies.sqlite");
        }
        for (const char* file : c.files)
            local.file(ff / "Profiles" / file, 10);

        const auto items = PrivacyScanner(FileSystem(), CleanupScanner(FileSystem(), h), h).scan();
        std::vector<Seen> expected;
        if (c.expected) {
            expected.push_back(cache("Firefox", ffCache));
            const Path chosen = ff / "Profiles" / c.expected;
            if (std::filesystem::is_directory(chosen))
                expected.push_back(cookies("Firefox", "Cookies", chosen / "cookies.sqlite"));
        }
        EXPECT_EQ(seen(items), expected);
    }
}

TEST_F(PrivacyScannerTest, UnreadableProfilesIniFallsBack)
{
    const QByteArray designating = "[Install1]\nDefault=Profiles/designated\n";
    const Path designated = firefox / "Profiles/designated";
    const Path fallback = firefox / "Profiles/fallback.default-release";
    database(designated / "places.sqlite");
    database(fallback / "places.sqlite");
    const Path elsewhere = tree.fileWithContent("elsewhere/profiles.ini", designating);

    struct Case
    {
        const char* what;
        std::function<void(const Path& ini)> make;
        Path expected;
    };
    const std::vector<Case> cases{
        {"a regular UTF-8 file is read", [&](const Path& ini) { tree.fileWithContent(ini, designating); },
         designated},
        {"with a byte-order mark",
         [&](const Path& ini) { tree.fileWithContent(ini, "\xEF\xBB\xBF" + designating); }, designated},
        {"a FIFO", [&](const Path& ini) { tree.fifo(ini); }, fallback},
        {"a link to a good file", [&](const Path& ini) { tree.symlink(elsewhere, ini); }, designated},
        {"a link to a link to a good file",
         [&](const Path& ini) { tree.symlink(tree.symlink(elsewhere, "elsewhere/second"), ini); },
         designated},
        {"a link to a FIFO", [&](const Path& ini) { tree.symlink(tree.fifo("elsewhere/fifo"), ini); },
         fallback},
        {"a link to a folder", [&](const Path& ini) { tree.symlink(tree.folder("elsewhere/dir"), ini); },
         fallback},
        {"a link to a file larger than the cap",
         [&](const Path& ini) {
             tree.symlink(
                 tree.fileWithContent("elsewhere/large",
                                      designating + QByteArray(PrivacyScanner::kMaxProfilesIniBytes, '\n')),
                 ini);
         },
         fallback},
        {"a dangling link", [&](const Path& ini) { tree.symlink(tree.path("elsewhere/missing"), ini); },
         fallback},
        {"not valid UTF-8",
         [&](const Path& ini) { tree.fileWithContent(ini, designating + "[Profile0]\nName=caf\xe9\n"); },
         fallback},
        {"larger than the cap",
         [&](const Path& ini) {
             tree.fileWithContent(ini, designating + QByteArray(PrivacyScanner::kMaxProfilesIniBytes, '\n'));
         },
         fallback},
        {"a folder", [&](const Path& ini) { tree.folder(ini); }, fallback},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Path ini = firefox / "profiles.ini";
        std::filesystem::remove_all(ini);
        c.make(ini);
        const auto start = std::chrono::steady_clock::now();
        const auto items = scanner().scan();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
        EXPECT_EQ(seen(items), (std::vector<Seen>{
                                   history("Firefox", "History & Bookmarks", c.expected / "places.sqlite")}));
    }
}

TEST_F(PrivacyScannerTest, GuardDropsWhatLiesOutsideTheRoots)
{
    // Chrome's cache folder is a link to a folder outside the roots; Brave's is a link inside them.
    const Path outsideCache = cacheFolder(tree.path("outside/chrome-cache"));
    tree.folder(caches / "Google");
    tree.symlink(outsideCache, caches / "Google/Chrome");
    const Path braveTarget = cacheFolder(caches / "brave-real");
    tree.folder(caches / "BraveSoftware");
    tree.symlink(braveTarget, caches / "BraveSoftware/Brave-Browser");

    const Path profile = tree.folder(support / "Google/Chrome/Default");
    database(profile / "History");
    const Path outsideCookies = database(tree.path("outside/Cookies"));
    tree.symlink(outsideCookies, profile / "Cookies");
    tree.symlink(tree.path("outside/missing"), profile / "Network"); // dangling: nothing exists there

    const auto items = scanner().scan();
    const std::vector<Seen> expected{
        history("Google Chrome", "History", profile / "History"),
        cache("Brave", caches / "BraveSoftware/Brave-Browser"),
    };
    EXPECT_EQ(seen(items), expected);
}

TEST_F(PrivacyScannerTest, DanglingLinksAreNotThere)
{
    const Path profile = tree.folder(support / "Chromium/Default");
    tree.symlink(profile / "History.gone", profile / "History");
    tree.symlink(caches / "Chromium.gone", tree.folder(caches) / "Chromium");
    database(profile / "Cookies");
    EXPECT_EQ(seen(scanner().scan()),
              (std::vector<Seen>{cookies("Chromium", "Cookies", profile / "Cookies")}));
}

TEST_F(PrivacyScannerTest, UnreadablePlacesCountAsAbsentForAnOrdinaryUser)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const Path chromeCache = cacheFolder(caches / "Google/Chrome");
    chromiumProfile(support / "Google/Chrome", "Default");
    tree.chmod(support / "Google/Chrome", 0700); // root's: no profile can be listed
    const Path brave = chromiumProfile(support / "BraveSoftware/Brave-Browser", "Default"); // the control
    const Path ini =
        tree.fileWithContent(firefox / "profiles.ini", "[Install1]\nDefault=Profiles/designated\n");
    tree.chmod(ini, 0600);
    database(firefox / "Profiles/designated/places.sqlite");
    const Path fallback = firefox / "Profiles/fallback.default-release";
    database(fallback / "places.sqlite");

    std::vector<PrivacyItem> items;
    {
        test::DroppedPrivileges nobody;
        items = scanner().scan();
    }
    const std::vector<Seen> expected{
        cache("Google Chrome", chromeCache),
        history("Brave", "History", brave / "History"),
        cookies("Brave", "Cookies", brave / "Cookies"),
        cookies("Brave", "Cookies", brave / "Network/Cookies"),
        history("Firefox", "History & Bookmarks", fallback / "places.sqlite"),
    };
    EXPECT_EQ(seen(items), expected);
    EXPECT_EQ(items.front().bytes, test::findAllocatedSize(chromeCache));
}

TEST_F(PrivacyScannerTest, CancellingBetweenBrowsersKeepsTheFilteredItemsSoFar)
{
    chromiumProfile(support / "Google/Chrome", "Default");
    const Path outside = cacheFolder(tree.path("outside/cache"));
    tree.folder(caches / "Google");
    tree.symlink(outside, caches / "Google/Chrome"); // measured, then filtered out
    const Path braveCache = cacheFolder(caches / "BraveSoftware/Brave-Browser");
    chromiumProfile(support / "Microsoft Edge", "Default");
    cacheFolder(caches / "com.apple.Safari");

    struct Case
    {
        const char* what;
        QString stopAt; // empty: stopped before the scan begins
        std::size_t expectedItems;
        QStringList expectedStarted;
    };
    const std::vector<Case> cases{
        {"before the scan", QString(), 0, {"Google Chrome"}},
        {"at Brave", "Brave", 3, {"Google Chrome", "Brave"}},
        {"at Microsoft Edge", "Microsoft Edge", 4, {"Google Chrome", "Brave", "Microsoft Edge"}},
        {"at Safari",
         "Safari",
         7,
         {"Google Chrome", "Brave", "Microsoft Edge", "Arc", "Vivaldi", "Chromium", "Safari"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::stop_source stop;
        if (c.stopAt.isEmpty())
            stop.request_stop();
        QStringList started;
        const auto items = scanner().scan(stop.get_token(), [&](const QString& browser) {
            started.append(browser);
            if (browser == c.stopAt)
                stop.request_stop();
        });
        EXPECT_EQ(started, c.expectedStarted);
        ASSERT_EQ(items.size(), c.expectedItems);
        for (const PrivacyItem& item : items)
            EXPECT_NE(item.url, caches / "Google/Chrome");
        if (c.expectedItems == 4) {
            EXPECT_EQ(seen(items).back(), cache("Brave", braveCache));
        }
    }
}

} // namespace
} // namespace qm
