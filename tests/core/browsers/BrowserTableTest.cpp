#include "core/browsers/BrowserTable.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(BrowserTableTest, EveryRowWithItsProgramInTableOrder)
{
    struct Row
    {
        QString name;
        std::vector<std::string> executables;
        std::vector<QString> flatpakIds;
    };
    const std::vector<Row> expected{
        {"Google Chrome", {"chrome"}, {"com.google.Chrome"}},
        {"Brave", {"brave"}, {"com.brave.Browser"}},
        {"Microsoft Edge", {"msedge"}, {"com.microsoft.Edge"}},
        {"Arc", {}, {}},
        {"Vivaldi", {"vivaldi-bin"}, {"com.vivaldi.Vivaldi"}},
        {"Chromium", {"chromium"}, {"org.chromium.Chromium"}},
        {"Firefox", {"firefox", "firefox-esr", "firefox-bin"}, {"org.mozilla.firefox"}},
        {"Safari", {}, {}},
    };
    const auto& rows = BrowserTable::rows();
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].name.toStdString());
        EXPECT_EQ(rows[i].name, expected[i].name);
        EXPECT_EQ(BrowserTable::program(rows[i]),
                  (ProgramIdentity{expected[i].executables, expected[i].flatpakIds}));
        EXPECT_EQ(BrowserTable::find(expected[i].name), &rows[i]);
    }
    EXPECT_EQ(BrowserTable::find(QStringLiteral("google chrome")), nullptr);
}

TEST(BrowserTableTest, InstallsFollowTheXdgHomesAndTheFlatpakSandbox)
{
    const Places defaults = Places::resolve("/h", {});
    const Places custom =
        Places::resolve("/h", {{"XDG_CONFIG_HOME", "/h/conf"}, {"XDG_CACHE_HOME", "/h/tmpcache"}});
    struct Row
    {
        const char* browser;
        const Places& places;
        std::vector<std::pair<Path, Path>> installs; // data folder, cache folder
    };
    const std::vector<Row> rows{
        {"Google Chrome",
         defaults,
         {{"/h/.config/google-chrome", "/h/.cache/google-chrome"},
          {"/h/.var/app/com.google.Chrome/config/google-chrome",
           "/h/.var/app/com.google.Chrome/cache/google-chrome"}}},
        {"Brave",
         custom,
         {{"/h/conf/BraveSoftware/Brave-Browser", "/h/tmpcache/BraveSoftware/Brave-Browser"},
          {"/h/.var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser",
           "/h/.var/app/com.brave.Browser/cache/BraveSoftware/Brave-Browser"}}},
        {"Firefox",
         custom,
         {{"/h/.mozilla/firefox", "/h/tmpcache/mozilla/firefox"},
          {"/h/.var/app/org.mozilla.firefox/.mozilla/firefox",
           "/h/.var/app/org.mozilla.firefox/cache/mozilla/firefox"}}},
        {"Arc", defaults, {}},
        {"Safari", defaults, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.browser);
        std::vector<std::pair<Path, Path>> actual;
        for (const BrowserTable::Install& install :
             BrowserTable::installs(*BrowserTable::find(QString::fromUtf8(row.browser)), row.places))
            actual.emplace_back(install.dataFolder, install.cacheFolder);
        EXPECT_EQ(actual, row.installs);
    }
}

TEST(BrowserTableTest, AllowedRootsAreTheDataFoldersAndWhereEachCacheItemLies)
{
    const std::vector<Path> expected{
        "/h/.config/google-chrome",
        "/h/.cache",
        "/h/.var/app/com.google.Chrome/config/google-chrome",
        "/h/.var/app/com.google.Chrome/cache",
        "/h/.config/BraveSoftware/Brave-Browser",
        "/h/.cache/BraveSoftware",
        "/h/.var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser",
        "/h/.var/app/com.brave.Browser/cache/BraveSoftware",
        "/h/.config/microsoft-edge",
        "/h/.var/app/com.microsoft.Edge/config/microsoft-edge",
        "/h/.var/app/com.microsoft.Edge/cache",
        "/h/.config/vivaldi",
        "/h/.var/app/com.vivaldi.Vivaldi/config/vivaldi",
        "/h/.var/app/com.vivaldi.Vivaldi/cache",
        "/h/.config/chromium",
        "/h/.var/app/org.chromium.Chromium/config/chromium",
        "/h/.var/app/org.chromium.Chromium/cache",
        "/h/.mozilla/firefox",
        "/h/.cache/mozilla/firefox",
        "/h/.var/app/org.mozilla.firefox/.mozilla/firefox",
        "/h/.var/app/org.mozilla.firefox/cache/mozilla/firefox",
    };
    EXPECT_EQ(BrowserTable::allowedRoots(Places::resolve("/h", {})), expected);
}

} // namespace
} // namespace qm
