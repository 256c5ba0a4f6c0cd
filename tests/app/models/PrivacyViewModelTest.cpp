#include "app/models/PrivacyViewModel.h"

#include "CleanupBeside.h"
#include "app/models/CleanupViewModel.h"
#include "app/platform/GuiWorkspace.h"
#include "support/BundleProcess.h"
#include "support/DigestOracle.h"
#include "support/EntryIdentity.h"
#include "support/EventLoopWait.h"
#include "support/FakeClock.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureHome.h"
#include "support/FixtureOnlyWorkspace.h"
#include "support/PrivilegeDrop.h"
#include "support/SqliteFile.h"
#include "support/StepGate.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThreadPool>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>

namespace qm {
namespace {

using test::drain;
using test::identity;
using test::present;
using test::settle;
using test::spin;

namespace fs = std::filesystem;
using Phase = PrivacyViewModel::Phase;

std::string contentOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path withSuffix(const fs::path& path, const char* suffix)
{
    return fs::path(path.native() + suffix);
}

// The privacy model over a fixture home with the real scanner, cleaner and Trash, a fake clock and
// desktop; the Cleanup model beside it shares the restore tracker. The privacy model's Trash passes
// through a gate and a hook a test may set; the Cleanup model's emptying through another gate.
class PrivacyViewModelTest : public ::testing::Test
{
protected:
    PrivacyViewModelTest()
    {
        // A held job must never keep the next one from running.
        test::widenPool();
        home.folder(config);
        home.folder(caches);
    }

    ~PrivacyViewModelTest() override
    {
        trashGate->release();
        emptyGate->release();
        model.reset();
        cleanup.reset();
        drain();
    }

    void make(std::shared_ptr<Workspace> desktop = nullptr)
    {
        model = std::make_unique<PrivacyViewModel>(PrivacyViewModel::Services{
            clock,
            PrivacyScanner(home.places()),
            desktop ? std::move(desktop) : workspace,
            Trash(FileSystem([this](FsStep step, const Path& path) {
                trashGate->pass(step);
                std::function<void(FsStep, const Path&)> hook;
                {
                    const std::lock_guard lock(hookMutex);
                    hook = moveHook;
                }
                if (hook)
                    hook(step, path);
            })),
            &tracker,
        });
        cleanup = test::cleanupBeside(clock, tracker, home.home(), system.root(), emptyGate, workspace);
    }

    void setHook(std::function<void(FsStep, const Path&)> hook)
    {
        const std::lock_guard lock(hookMutex);
        moveHook = std::move(hook);
    }

    void scanAndSettle()
    {
        model->scan();
        ASSERT_EQ(model->phase(), Phase::scanning);
        ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; })) << "the scan never ended";
    }

    void cleanAndSettle()
    {
        model->confirmClean();
        ASSERT_TRUE(settle([&] { return !model->isCleaning() && !model->restoring(); }))
            << "the clean never ended";
    }

    // Undoes, then waits for the restore and the rescan that follows it.
    void undoAndSettle()
    {
        model->undoLast();
        ASSERT_TRUE(settle([&] { return !model->restoring(); })) << "the undo never ended";
        ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; })) << "no rescan";
    }

    const PrivacyItem& item(const QString& browser, const QString& kind) const
    {
        for (const PrivacyItem& candidate : model->items()) {
            if (candidate.browser == browser && candidate.kind == kind)
                return candidate;
        }
        static const PrivacyItem none;
        ADD_FAILURE() << "no item " << browser.toStdString() << " " << kind.toStdString();
        return none;
    }

    bool listed(const fs::path& url) const
    {
        return std::any_of(model->items().begin(), model->items().end(),
                           [&](const PrivacyItem& item) { return item.url == url; });
    }

    void select(const QString& browser, const QString& kind) { model->toggle(item(browser, kind).id); }

    fs::path trashFiles() const { return home.dataHome() / "Trash" / "files"; }
    // The names of the entries in the Trash, sorted.
    std::vector<std::string> trashed() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(trashFiles(), error))
            names.push_back(entry.path().filename().native());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> originals() const
    {
        std::vector<std::string> paths;
        if (model->lastReport()) {
            for (const TrashedItem& item : model->lastReport()->trashed)
                paths.push_back(item.original.native());
        }
        return paths;
    }
    // The Trash's folders, made ahead and given to "nobody", as a user's own Trash is theirs.
    void trashOwnedByNobody()
    {
        for (const fs::path& folder :
             {home.dataHome() / "Trash", trashFiles(), home.dataHome() / "Trash/info"}) {
            home.folder(folder);
            home.chown(folder);
        }
    }

    test::FixtureHome home;
    test::TempTree system;
    test::FakeClock clock;
    RestoreTracker tracker;
    std::shared_ptr<test::FakeWorkspace> workspace = std::make_shared<test::FakeWorkspace>();
    std::shared_ptr<test::StepGate> trashGate = std::make_shared<test::StepGate>();
    std::shared_ptr<test::StepGate> emptyGate = std::make_shared<test::StepGate>();
    std::mutex hookMutex;
    std::function<void(FsStep, const Path&)> moveHook;
    std::unique_ptr<PrivacyViewModel> model;
    std::unique_ptr<CleanupViewModel> cleanup;

    const fs::path config = home.configHome();
    const fs::path caches = home.cacheHome();
    const fs::path firefoxProfile = home.path(".mozilla/firefox/a.default-release");
    const fs::path places = firefoxProfile / "places.sqlite";
};

const QString kHistoryAndBookmarks = QStringLiteral("History & Bookmarks");
const QString kCache = QStringLiteral("Cache");

TEST_F(PrivacyViewModelTest, ADatabaseWhoseRowsLiveOnlyInItsLogComesBackWhole)
{
    struct Row
    {
        QString browser;
        QString kind;
        fs::path database;
    };
    const Row rows[] = {
        {QStringLiteral("Firefox"), kHistoryAndBookmarks, places},
        {QStringLiteral("Chromium"), QStringLiteral("History"),
         config / "chromium" / test::TempTree::nonUtf8Name() / "History"},
    };
    make();
    int completions = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.database.native());
        home.folder(row.database.parent_path());
        test::makeUncheckpointedSqliteFile(row.database, 200);
        const fs::path wal = withSuffix(row.database, "-wal");
        const fs::path shm = withSuffix(row.database, "-shm");
        ASSERT_GT(fs::file_size(wal), 200'000u) << "the rows are not in the log";
        ASSERT_TRUE(present(shm));

        scanAndSettle();
        select(row.browser, row.kind);
        cleanAndSettle();
        EXPECT_EQ(originals(), (std::vector<std::string>{row.database.native(), wal.native(), shm.native()}));
        ASSERT_TRUE(model->lastReport());
        const std::vector<TrashedItem>& moved = model->lastReport()->trashed;
        EXPECT_EQ(moved[1].bytes, 0);
        EXPECT_EQ(moved[2].bytes, 0);
        EXPECT_EQ(model->sideFileLinks(),
                  (PrivacyViewModel::SideFileLinks{{moved[0].id, {moved[1].id, moved[2].id}}}));
        for (const fs::path& path : {row.database, wal, shm})
            EXPECT_FALSE(present(path)) << path;
        EXPECT_EQ(trashed().size(), 3u);
        EXPECT_FALSE(listed(row.database));
        EXPECT_EQ(model->cleanCompletions(), ++completions);
        EXPECT_TRUE(model->failureNote().isEmpty()) << model->failureNote().toStdString();

        undoAndSettle();
        EXPECT_TRUE(trashed().empty());
        EXPECT_FALSE(model->lastReport());
        EXPECT_TRUE(model->sideFileLinks().empty());
        EXPECT_TRUE(listed(row.database)) << "not rescanned";
        const test::SqliteContents back = test::readSqliteFile(row.database);
        EXPECT_EQ(back.integrity, "ok");
        EXPECT_EQ(back.rows, 200);
    }
}

TEST_F(PrivacyViewModelTest, ADatabaseThatCannotMoveKeepsItsSideFiles)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    // A folder everyone may write to but only an entry's owner may move it out of: the database is
    // root's, its side files are the dropped user's, so they alone could move.
    home.folder(firefoxProfile);
    home.chmod(firefoxProfile, 01777);
    test::makeUncheckpointedSqliteFile(places, 200);
    const fs::path wal = withSuffix(places, "-wal");
    const fs::path shm = withSuffix(places, "-shm");
    home.chown(wal);
    home.chown(shm);
    trashOwnedByNobody();
    make();
    scanAndSettle();
    select(QStringLiteral("Firefox"), kHistoryAndBookmarks);
    {
        const test::DroppedPrivileges dropped;
        model->confirmClean();
        ASSERT_TRUE(settle([&] { return !model->isCleaning() && !model->restoring(); }));
    }
    for (const fs::path& path : {places, wal, shm})
        EXPECT_TRUE(present(path)) << path;
    EXPECT_TRUE(trashed().empty());
    EXPECT_FALSE(model->lastReport());
    EXPECT_EQ(model->cleanCompletions(), 0);
    EXPECT_TRUE(model->failureNote().startsWith(QStringLiteral(
        "1 item couldn't be cleared. Quit the browser if it's still open \u2014 that locks its data files.\n"
        "Firefox History & Bookmarks: ")))
        << model->failureNote().toStdString();
    const test::SqliteContents kept = test::readSqliteFile(places);
    EXPECT_EQ(kept.integrity, "ok");
    EXPECT_EQ(kept.rows, 200);

    // Control: a database of the dropped user's moves with its unit. (Reading it as root checkpointed
    // the log away: a new one is made.)
    fs::remove(places);
    test::makeUncheckpointedSqliteFile(places, 200);
    home.chown(places);
    home.chown(wal);
    home.chown(shm);
    scanAndSettle();
    select(QStringLiteral("Firefox"), kHistoryAndBookmarks);
    {
        const test::DroppedPrivileges dropped;
        model->confirmClean();
        ASSERT_TRUE(settle([&] { return !model->isCleaning() && !model->restoring(); }));
    }
    EXPECT_EQ(originals(), (std::vector<std::string>{places.native(), wal.native(), shm.native()}));
    EXPECT_EQ(trashed().size(), 3u);
}

TEST_F(PrivacyViewModelTest, ASideFileRefusedForSafetyBringsItsDatabaseBack)
{
    home.folder(firefoxProfile);
    test::makeSqliteFile(places, 8);
    const fs::path outside = home.file("Documents/log", 100);
    home.symlink(outside, withSuffix(places, "-wal"));
    home.file(withSuffix(places, "-shm"), 100);
    const auto before = identity(places);
    make();
    scanAndSettle();
    select(QStringLiteral("Firefox"), kHistoryAndBookmarks);
    cleanAndSettle();

    EXPECT_EQ(identity(places), before) << "not the same database back";
    EXPECT_TRUE(fs::is_symlink(withSuffix(places, "-wal")));
    EXPECT_TRUE(present(withSuffix(places, "-shm")));
    EXPECT_TRUE(present(outside));
    EXPECT_TRUE(trashed().empty());
    EXPECT_TRUE(fs::is_empty(home.dataHome() / "Trash/info")) << "an info file stayed behind";
    EXPECT_FALSE(model->lastReport());
    EXPECT_TRUE(model->sideFileLinks().empty());
    EXPECT_EQ(model->cleanCompletions(), 0);
    EXPECT_EQ(model->failureNote(),
              QStringLiteral("1 item couldn't be cleared.\nSkipped for safety: Firefox places.sqlite-wal"));
    EXPECT_TRUE(listed(places));
}

TEST_F(PrivacyViewModelTest, ADatabaseThatCannotGoBackStaysInTheTrashWithItsMovedSideFiles)
{
    home.folder(firefoxProfile);
    test::makeUncheckpointedSqliteFile(places, 200);
    const fs::path wal = withSuffix(places, "-wal");
    const fs::path shm = withSuffix(places, "-shm");
    fs::remove(shm);
    home.symlink(home.file("Documents/shm", 100), shm);
    make();
    scanAndSettle();
    select(QStringLiteral("Firefox"), kHistoryAndBookmarks);
    // The browser makes a new database just before the old one would go back.
    setHook([&](FsStep step, const Path& path) {
        if (step != FsStep::Move || path != places)
            return;
        const int fd = ::open(places.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "new", 3), 3);
        ::close(fd);
    });
    cleanAndSettle();
    setHook({});

    EXPECT_EQ(contentOf(places), "new") << "the new database was touched";
    EXPECT_FALSE(present(wal));
    EXPECT_TRUE(fs::is_symlink(shm));
    EXPECT_EQ(trashed().size(), 2u);
    EXPECT_EQ(originals(), (std::vector<std::string>{places.native(), wal.native()}));
    ASSERT_TRUE(model->lastReport());
    const std::vector<TrashedItem>& moved = model->lastReport()->trashed;
    EXPECT_EQ(model->sideFileLinks(), (PrivacyViewModel::SideFileLinks{{moved[0].id, {moved[1].id}}}));
    EXPECT_EQ(model->failureNote(),
              QStringLiteral("1 item couldn't be cleared.\nSkipped for safety: Firefox places.sqlite-shm"));
    EXPECT_EQ(model->lastReport()->failures.size(), model->lastReport()->failureDetails.size());
    EXPECT_EQ(model->cleanCompletions(), 1);

    // Its place is still taken: neither the database nor its log comes back.
    undoAndSettle();
    EXPECT_EQ(contentOf(places), "new");
    EXPECT_FALSE(present(wal)) << "an old log beside a new database";
    EXPECT_EQ(trashed().size(), 2u);
}

TEST_F(PrivacyViewModelTest, UndoLeavesTheOldUnitInTheTrashBesideANewDatabase)
{
    home.folder(firefoxProfile);
    test::makeUncheckpointedSqliteFile(places, 200);
    make();
    scanAndSettle();
    select(QStringLiteral("Firefox"), kHistoryAndBookmarks);
    cleanAndSettle();
    ASSERT_EQ(trashed().size(), 3u);

    test::makeSqliteFile(places, 3);
    undoAndSettle();
    EXPECT_EQ(trashed().size(), 3u) << "part of the old unit came back";
    EXPECT_FALSE(present(withSuffix(places, "-wal")));
    EXPECT_FALSE(present(withSuffix(places, "-shm")));
    const test::SqliteContents now = test::readSqliteFile(places);
    EXPECT_EQ(now.integrity, "ok");
    EXPECT_EQ(now.rows, 3);
}

TEST_F(PrivacyViewModelTest, ARunningBrowserHoldsBackItsHistoryButNotItsCache)
{
    const fs::path chromeCache = home.file(caches / "google-chrome/data_0", 5'000).parent_path();
    const fs::path chromeHistory = config / "google-chrome/Default/History";
    const fs::path braveHistory = config / "BraveSoftware/Brave-Browser/Default/History";
    const fs::path chromiumHistory = config / "chromium/Default/History";
    for (const fs::path& history : {chromeHistory, braveHistory, chromiumHistory}) {
        home.folder(history.parent_path());
        test::makeSqliteFile(history);
    }
    // Stand-ins named as the browsers' executables are, where their packages put them.
    test::TempTree programs;
    std::optional<test::BundleProcess> chrome;
    chrome.emplace(test::makeSleeper(programs.path("opt/google/chrome/chrome")));
    std::optional<test::BundleProcess> brave;
    brave.emplace(test::makeSleeper(programs.path("opt/brave.com/brave/brave")));
    std::optional<test::BundleProcess> othersChromium;
    if (test::canDropPrivileges())
        othersChromium.emplace(test::makeSleeper(programs.path("usr/lib/chromium/chromium")), false,
                               test::TempTree::kOtherUid);
    GuiWorkspace desktop{QDBusConnection(QStringLiteral("none")), [](const QUrl&) { return true; }};
    make(std::make_shared<test::FixtureOnlyWorkspace>(desktop, programs.root()));
    scanAndSettle();

    select(QStringLiteral("Google Chrome"), kCache);
    cleanAndSettle();
    EXPECT_FALSE(present(chromeCache));
    EXPECT_EQ(originals(), std::vector<std::string>{chromeCache.native()});
    EXPECT_TRUE(model->failureNote().isEmpty());

    select(QStringLiteral("Google Chrome"), QStringLiteral("History"));
    select(QStringLiteral("Brave"), QStringLiteral("History"));
    select(QStringLiteral("Chromium"), QStringLiteral("History"));
    model->confirmClean();
    EXPECT_FALSE(model->isCleaning());
    // Another user's Chromium is not this user's browser running.
    EXPECT_EQ(model->failureNote(),
              QStringLiteral("Quit Brave, Google Chrome first \u2014 its history and cookies "
                             "are in use while it's open."));
    spin();
    for (const fs::path& history : {chromeHistory, braveHistory, chromiumHistory})
        EXPECT_TRUE(present(history)) << history;
    EXPECT_EQ(originals(), std::vector<std::string>{chromeCache.native()}) << "the undo offer changed";
    EXPECT_EQ(model->selectedCount(), 3) << "the selection stays";

    // Once they quit, the same selection goes; the other user's Chromium runs on.
    model->setFailureNote(QString());
    chrome.reset();
    brave.reset();
    cleanAndSettle();
    EXPECT_TRUE(model->failureNote().isEmpty()) << model->failureNote().toStdString();
    for (const fs::path& history : {chromeHistory, braveHistory, chromiumHistory})
        EXPECT_FALSE(present(history)) << history;
}

TEST_F(PrivacyViewModelTest,
       ClearingEverythingMovesEachDatabaseWithItsSideFilesAndUndoRestoresThemByteForByte)
{
    // Every kind of place a browser keeps its data in here, native and Flatpak.
    const fs::path brave = home.path(".var/app/com.brave.Browser");
    const fs::path flatpakFirefox = home.path(".var/app/org.mozilla.firefox");
    const std::vector<fs::path> databases{
        config / "google-chrome/Default/History",
        config / "google-chrome/Default/Network/Cookies",
        brave / "config/BraveSoftware/Brave-Browser/Default/Cookies",
        config / "microsoft-edge/Default/History",
        config / "vivaldi/Default/History",
        config / "chromium/Default/Cookies",
        places,
        flatpakFirefox / ".mozilla/firefox/f.default-release/cookies.sqlite",
    };
    for (const fs::path& database : databases) {
        home.folder(database.parent_path());
        test::makeUncheckpointedSqliteFile(database, 50);
    }
    home.file(caches / "google-chrome/Default/Cache/Cache_Data/data_0", 9'000);
    home.file(brave / "cache/BraveSoftware/Brave-Browser/Default/Cache/data_1", 7'000);
    home.file(caches / "mozilla/firefox/a.default-release/cache2/entries/0A1B", 5'000, 'f');
    home.file(flatpakFirefox / "cache/mozilla/firefox/f.default-release/cache2/entries/2C3D", 3'000, 'g');

    const fs::path trash = home.dataHome() / "Trash";
    const auto digests = [&] {
        std::map<std::string, QString> out;
        for (auto it = fs::recursive_directory_iterator(home.home());
             it != fs::recursive_directory_iterator(); ++it) {
            if (it->path() == trash) {
                it.disable_recursion_pending();
                continue;
            }
            if (it->is_regular_file())
                out[it->path().native()] = test::opensslSha256(it->path());
        }
        return out;
    };
    const std::map<std::string, QString> before = digests();
    ASSERT_EQ(before.size(), databases.size() * 3 + 4)
        << "each database with its -wal and -shm, and 4 caches";

    make();
    scanAndSettle();
    ASSERT_EQ(model->items().size(), databases.size() + 4);
    for (const PrivacyItem& item : std::vector<PrivacyItem>(model->items()))
        model->toggle(item.id);
    cleanAndSettle();
    EXPECT_TRUE(model->failureNote().isEmpty()) << model->failureNote().toStdString();
    EXPECT_TRUE(model->items().empty());
    for (const auto& [path, digest] : before)
        EXPECT_FALSE(present(path)) << path;
    // Each database went as one unit with its two side files, linked to them for the undo.
    ASSERT_TRUE(model->lastReport());
    EXPECT_EQ(model->lastReport()->trashed.size(), databases.size() * 3 + 4);
    EXPECT_EQ(model->sideFileLinks().size(), databases.size());
    for (const auto& [database, sideFiles] : model->sideFileLinks()) {
        const auto& trashedItems = model->lastReport()->trashed;
        const auto itemOf = [&](const QUuid& id) {
            return *std::find_if(trashedItems.begin(), trashedItems.end(),
                                 [&](const TrashedItem& t) { return t.id == id; });
        };
        const std::string original = itemOf(database).original.native();
        std::vector<std::string> sides;
        for (const QUuid& side : sideFiles)
            sides.push_back(itemOf(side).original.native());
        EXPECT_EQ(sides, (std::vector<std::string>{original + "-wal", original + "-shm"})) << original;
    }

    undoAndSettle();
    EXPECT_TRUE(trashed().empty());
    EXPECT_EQ(digests(), before) << "not every file came back byte for byte";
    for (const fs::path& database : databases) {
        const test::SqliteContents back = test::readSqliteFile(database);
        EXPECT_EQ(back.integrity, "ok") << database;
        EXPECT_EQ(back.rows, 50) << database;
    }
}

TEST_F(PrivacyViewModelTest, Wording)
{
    const QString hint =
        QStringLiteral(" Quit the browser if it's still open \u2014 that locks its data files.");
    struct Row
    {
        std::vector<QString> failures;
        QString note;
    };
    const Row rows[] = {
        {{}, QString()},
        {{"Skipped for safety: Firefox Cache"},
         "1 item couldn't be cleared.\nSkipped for safety: Firefox Cache"},
        {{"Brave Cookies: Permission denied"},
         "1 item couldn't be cleared." + hint + "\nBrave Cookies: Permission denied"},
        {{"Skipped for safety: A", "B: Device or resource busy"},
         "2 items couldn't be cleared." + hint + "\nB: Device or resource busy"},
        {{"SAFETY: A", "Skipped for Safety: B"}, "2 items couldn't be cleared.\nSAFETY: A"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PrivacyViewModel::failureWording(row.failures), row.note);

    const QString tail = QStringLiteral(" first \u2014 its history and cookies are in use while it's open.");
    EXPECT_EQ(PrivacyViewModel::runningRefusal({"Google Chrome", "Brave", "Google Chrome"}),
              "Quit Brave, Google Chrome" + tail);
    // By code point: capitals before small letters, both before accented ones.
    EXPECT_EQ(PrivacyViewModel::runningRefusal({QStringLiteral("\u00c9clair"), "arc", "Zed"}),
              QStringLiteral("Quit Zed, arc, \u00c9clair") + tail);
}

TEST_F(PrivacyViewModelTest, CleansAccumulateUntilOneUndoAndItsRescan)
{
    const fs::path chrome = home.file(caches / "google-chrome/data_0", 5'000).parent_path();
    const fs::path brave = home.file(caches / "BraveSoftware/Brave-Browser/data_0", 7'000).parent_path();
    const fs::path vivaldi = home.file(caches / "vivaldi/data_0", 9'000).parent_path();
    // A cache is no database: a name like a side file beside it stays.
    const fs::path lookalike = home.file(withSuffix(chrome, "-wal"), 10);
    make();
    EXPECT_EQ(model->phase(), Phase::idle);
    scanAndSettle();
    ASSERT_EQ(model->groups().size(), 3u);
    EXPECT_EQ(model->groups()[0].browser, QStringLiteral("Google Chrome"));
    EXPECT_EQ(model->groups()[1].browser, QStringLiteral("Brave"));
    EXPECT_EQ(model->groups()[2].browser, QStringLiteral("Vivaldi"));
    EXPECT_EQ(model->groupsModel()->rowCount(), 3);
    EXPECT_EQ(model->formattedSelected(), QStringLiteral("0 KB"));

    select(QStringLiteral("Google Chrome"), kCache);
    cleanAndSettle();
    EXPECT_TRUE(present(lookalike));
    EXPECT_TRUE(model->sideFileLinks().empty());
    select(QStringLiteral("Brave"), kCache);
    cleanAndSettle();
    EXPECT_EQ(originals(), (std::vector<std::string>{chrome.native(), brave.native()}));
    EXPECT_EQ(model->groups().size(), 1u);

    // A clean that moves nothing keeps the offer.
    select(QStringLiteral("Vivaldi"), kCache);
    fs::remove_all(vivaldi);
    cleanAndSettle();
    EXPECT_EQ(originals(), (std::vector<std::string>{chrome.native(), brave.native()}));
    EXPECT_EQ(model->cleanCompletions(), 2);
    EXPECT_TRUE(
        model->failureNote().startsWith(QStringLiteral("1 item couldn't be cleared. Quit the browser")))
        << model->failureNote().toStdString();
    ASSERT_TRUE(model->lastReport());
    EXPECT_EQ(model->lastReport()->failures.size(), 1u);
    EXPECT_EQ(model->lastReport()->failureDetails.size(), 1u) << "the failure details were dropped";

    const int generation = model->generation();
    undoAndSettle();
    EXPECT_TRUE(present(chrome));
    EXPECT_TRUE(present(brave));
    EXPECT_EQ(model->generation(), generation + 1) << "one rescan";
    EXPECT_TRUE(listed(chrome));
    EXPECT_TRUE(listed(brave));
    EXPECT_FALSE(model->lastReport());
    EXPECT_EQ(model->selectedCount(), 0);
}

TEST_F(PrivacyViewModelTest, NoScanDuringACleanAndAnUndoEndingMeanwhileDoesNotRescan)
{
    const fs::path chrome = home.file(caches / "google-chrome/data_0", 5'000).parent_path();
    const fs::path brave = home.file(caches / "BraveSoftware/Brave-Browser/data_0", 7'000).parent_path();
    make();
    scanAndSettle();
    select(QStringLiteral("Google Chrome"), kCache);
    cleanAndSettle();

    select(QStringLiteral("Brave"), kCache);
    trashGate->arm(FsStep::Move);
    model->confirmClean();
    ASSERT_TRUE(settle([&] { return trashGate->holding(); }));
    EXPECT_TRUE(model->isCleaning());
    EXPECT_FALSE(model->restoring()) << "a clean without side files moves nothing back";
    const int generation = model->generation();
    model->scan();
    EXPECT_EQ(model->generation(), generation);
    EXPECT_EQ(model->phase(), Phase::results);

    // The undo runs beside the clean; its rescan is refused.
    model->undoLast();
    EXPECT_TRUE(model->restoring());
    ASSERT_TRUE(settle([&] { return !model->restoring(); }));
    EXPECT_TRUE(present(chrome));
    EXPECT_EQ(model->generation(), generation);
    EXPECT_EQ(model->phase(), Phase::results);

    trashGate->release();
    ASSERT_TRUE(settle([&] { return !model->isCleaning(); }));
    EXPECT_FALSE(present(brave));
    EXPECT_EQ(originals(), std::vector<std::string>{brave.native()});
}

TEST_F(PrivacyViewModelTest, RestoringAndEmptyingTheTrashNeverOverlap)
{
    const fs::path chrome = home.file(caches / "google-chrome/data_0", 5'000).parent_path();
    home.file(caches / "BraveSoftware/Brave-Browser/data_0", 7'000);
    make();
    scanAndSettle();
    select(QStringLiteral("Google Chrome"), kCache);
    cleanAndSettle();
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() > 0; }));

    trashGate->arm(FsStep::Move);
    model->undoLast();
    ASSERT_TRUE(settle([&] { return trashGate->holding(); }));
    EXPECT_TRUE(model->restoring());
    EXPECT_TRUE(model->anyRestoring());
    EXPECT_TRUE(cleanup->anyRestoring());
    cleanup->requestEmptyTrash();
    spin(); // never drain: the held job would never end
    EXPECT_FALSE(cleanup->showEmptyConfirm()) << "offered to empty what an undo moves back";
    cleanup->confirmEmptyTrash();
    EXPECT_FALSE(cleanup->emptyingTrash());
    trashGate->release();
    ASSERT_TRUE(settle([&] { return !model->restoring() && model->phase() == Phase::results; }));
    EXPECT_FALSE(tracker.anyRestoring());
    EXPECT_TRUE(present(chrome));

    // While the Trash is emptied, no undo and no clean starts.
    select(QStringLiteral("Google Chrome"), kCache);
    cleanAndSettle();
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() > 0; }));
    emptyGate->arm(FsStep::Remove);
    cleanup->confirmEmptyTrash();
    ASSERT_TRUE(settle([&] { return emptyGate->holding(); }));
    ASSERT_TRUE(tracker.emptyingTrash());
    model->undoLast();
    EXPECT_FALSE(model->restoring());
    EXPECT_TRUE(model->lastReport()) << "the undo offer went while the Trash was emptied";
    select(QStringLiteral("Brave"), kCache);
    model->confirmClean();
    EXPECT_FALSE(model->isCleaning());
    emptyGate->release();
    ASSERT_TRUE(settle([&] { return !cleanup->emptyingTrash(); }));
}

TEST_F(PrivacyViewModelTest, ACleanThatMayPutADatabaseBackKeepsTheTrashFromBeingEmptied)
{
    home.file(caches / "google-chrome/data_0", 5'000);
    home.folder(firefoxProfile);
    test::makeUncheckpointedSqliteFile(places, 20);
    make();
    scanAndSettle();
    select(QStringLiteral("Google Chrome"), kCache);
    cleanAndSettle();
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() > 0; }));

    select(QStringLiteral("Firefox"), kHistoryAndBookmarks);
    trashGate->arm(FsStep::Move);
    model->confirmClean();
    ASSERT_TRUE(settle([&] { return trashGate->holding(); }));
    EXPECT_TRUE(model->restoring());
    EXPECT_TRUE(cleanup->anyRestoring());
    cleanup->requestEmptyTrash();
    spin();
    EXPECT_FALSE(cleanup->showEmptyConfirm()) << "offered to empty what the clean may move back";
    trashGate->release();
    ASSERT_TRUE(settle([&] { return !model->isCleaning(); }));
    EXPECT_FALSE(model->restoring());
    EXPECT_FALSE(tracker.anyRestoring());

    // Control: afterwards the Trash may be emptied.
    cleanup->requestEmptyTrash();
    ASSERT_TRUE(settle([&] { return cleanup->showEmptyConfirm(); }));
}

TEST_F(PrivacyViewModelTest, ScanResultsLandOnlyUnderTheirGeneration)
{
    home.file(caches / "google-chrome/data_0", 5'000);
    make();
    model->scan();
    model->scan();
    EXPECT_EQ(model->generation(), 2);
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    drain();
    ASSERT_EQ(model->items().size(), 1u);

    const QUuid id = model->items().front().id;
    model->toggle(QUuid::createUuid());
    EXPECT_EQ(model->selectedCount(), 0);
    model->toggle(id.toString());
    EXPECT_EQ(model->selectedCount(), 1);
    EXPECT_NE(model->formattedSelected(), QStringLiteral("0 KB"));
    model->toggle(id);
    EXPECT_EQ(model->selectedCount(), 0);

    // Nothing selected: nothing happens.
    model->confirmClean();
    EXPECT_FALSE(model->isCleaning());
    EXPECT_TRUE(model->failureNote().isEmpty());
}

} // namespace
} // namespace qm
