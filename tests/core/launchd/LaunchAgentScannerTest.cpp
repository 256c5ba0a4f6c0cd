#include "core/launchd/LaunchAgentScanner.h"

#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

namespace qm {
namespace {

using Scan = LaunchAgentScanner::Scan;
using D = LaunchDomain;

// An autostart entry shown as `name` (empty: the file's name stands for it).
QByteArray entry(const char* name)
{
    return QByteArray("[Desktop Entry]\nType=Application\nName=") + name + "\nExec=/opt/x\n";
}

// An autostart entry of exactly `size` bytes shown as "big".
QByteArray entryOfSize(qint64 size)
{
    const QByteArray head = "[Desktop Entry]\nName=big\nX-Padding=";
    return head + QByteArray(size - head.size() - 1, 'x') + '\n';
}

std::vector<std::string> labels(const Scan& scan)
{
    std::vector<std::string> out;
    for (const LaunchAgent& agent : scan.agents)
        out.push_back(agent.label.toStdString());
    return out;
}

// One folder of autostart entries per domain, so each domain's coverage shows on its own: the user's
// (<home>/.config/autostart), the system's (<root>/etc/xdg/autostart) and, as the third domain, the
// folder <root>/daemons.
std::vector<LaunchAgentScanner::Folder> entryFolders(const Path& home, const Path& root)
{
    return {{D::userAgent, home / ".config/autostart", LaunchSource::autostartEntry},
            {D::systemAgent, root / "etc/xdg/autostart", LaunchSource::autostartEntry},
            {D::systemDaemon, root / "daemons", LaunchSource::autostartEntry}};
}

// Runs the scan on a thread of its own and waits at most a minute: a scan that blocks (on a FIFO,
// say) fails the test instead of hanging it.
std::optional<Scan> scanWithin(const LaunchAgentScanner& scanner)
{
    auto promise = std::make_shared<std::promise<Scan>>();
    std::future<Scan> future = promise->get_future();
    std::thread([scanner, promise] { promise->set_value(scanner.scanWithCoverage()); }).detach();
    if (future.wait_for(std::chrono::seconds(60)) != std::future_status::ready)
        return std::nullopt;
    return future.get();
}

class LaunchAgentScannerTest : public ::testing::Test
{
protected:
    Path home() const { return tree.path("home"); }
    Path systemRoot() const { return tree.path("root"); }
    Path userDir() const { return home() / ".config/autostart"; }
    Path agentsDir() const { return systemRoot() / "etc/xdg/autostart"; }
    Path daemonsDir() const { return systemRoot() / "daemons"; }

    LaunchAgentScanner scanner() const { return LaunchAgentScanner({}, entryFolders(home(), systemRoot())); }
    Scan scan() const { return scanner().scanWithCoverage(); }

    test::TempTree tree;
};

TEST_F(LaunchAgentScannerTest, TheDomainsNames)
{
    EXPECT_EQ(LaunchDomains::toRaw(D::userAgent), "Login items");
    EXPECT_EQ(LaunchDomains::toRaw(D::systemAgent), "System agents");
    EXPECT_EQ(LaunchDomains::toRaw(D::systemDaemon), "System daemons");
    EXPECT_EQ(LaunchDomains::fromRaw("System daemons"), D::systemDaemon);
    EXPECT_EQ(LaunchDomains::fromRaw("system daemons"), std::nullopt);
    EXPECT_EQ(LaunchDomains::fromRaw("systemDaemon"), std::nullopt);
    // A folder named by its domain and place alone holds autostart entries.
    EXPECT_EQ((LaunchAgentScanner::Folder{D::userAgent, "/h/.config/autostart"}.source),
              LaunchSource::autostartEntry);
}

TEST_F(LaunchAgentScannerTest, MissingAndLinkedFolders)
{
    // No folder at all: nothing found, no gap.
    EXPECT_EQ(scan(), Scan{});

    // A dangling link in place of the user's folder is no gap either; a folder reached through a link is
    // listed, and its jobs keep the path as given.
    tree.symlink(tree.path("nowhere"), userDir());
    tree.fileWithContent(tree.path("real-agents/a.desktop"), entry("a.agent"));
    tree.symlink(tree.path("real-agents"), agentsDir());
    Scan result = scan();
    EXPECT_EQ(labels(result), std::vector<std::string>{"a.agent"});
    EXPECT_EQ(result.agents.at(0).url, agentsDir() / "a.desktop");
    EXPECT_TRUE(result.unreadableDomains.empty());

    // Something that exists but is no folder is a gap.
    tree.fileWithContent(daemonsDir(), "a file where a folder belongs");
    result = scan();
    EXPECT_EQ(result.unreadableDomains, std::vector<D>{D::systemDaemon});
    EXPECT_TRUE(result.rootOnlyDomains.empty());
}

TEST_F(LaunchAgentScannerTest, EntriesThatAreNotReadMarkTheirDomain)
{
    struct Case
    {
        const char* what;
        std::function<void(test::TempTree&, const Path& dir)> make;
        bool unreadable;
    };
    const QByteArray good = entry("good.agent");
    const Case cases[] = {
        {"a link to an existing entry",
         [&](test::TempTree& t, const Path& dir) {
             t.fileWithContent("elsewhere/real.desktop", good);
             t.symlink(t.path("elsewhere/real.desktop"), dir / "link.desktop");
         },
         true},
        {"a dangling link",
         [](test::TempTree& t, const Path& dir) { t.symlink(t.path("gone"), dir / "gone.desktop"); }, false},
        {"a looping link",
         [](test::TempTree& t, const Path& dir) { t.symlink(dir / "loop.desktop", dir / "loop.desktop"); },
         false},
        {"a folder", [](test::TempTree& t, const Path& dir) { t.folder(dir / "folder.desktop"); }, true},
        {"text that is no desktop entry",
         [](test::TempTree& t, const Path& dir) { t.fileWithContent(dir / "text.desktop", "Name = x;"); },
         true},
        {"an empty file", [](test::TempTree& t, const Path& dir) { t.file(dir / "empty.desktop"); }, true},
        {"a capitalised extension is not looked at",
         [](test::TempTree& t, const Path& dir) { t.fileWithContent(dir / "x.DESKTOP", "Name = x;"); },
         false},
        {"another extension is not looked at",
         [](test::TempTree& t, const Path& dir) { t.fileWithContent(dir / "readme.txt", "Name = x;"); },
         false},
        {"a hidden file named .desktop has no extension",
         [](test::TempTree& t, const Path& dir) { t.fileWithContent(dir / ".desktop", "Name = x;"); }, false},
    };
    for (const Case& c : cases) {
        test::TempTree t;
        const Path dir = t.folder("root/etc/xdg/autostart");
        t.fileWithContent(dir / "good.desktop", good);
        c.make(t, dir);
        const Scan result =
            LaunchAgentScanner({}, entryFolders(t.path("home"), t.path("root"))).scanWithCoverage();
        EXPECT_EQ(labels(result), std::vector<std::string>{"good.agent"}) << c.what;
        EXPECT_EQ(result.unreadableDomains, c.unreadable ? std::vector<D>{D::systemAgent} : std::vector<D>{})
            << c.what;
        EXPECT_TRUE(result.rootOnlyDomains.empty()) << c.what;
    }
}

// Hidden entries are read like the others.
TEST_F(LaunchAgentScannerTest, AHiddenEntryIsAJob)
{
    tree.fileWithContent(daemonsDir() / ".hidden.desktop", entry("zz.hidden"));
    const Scan result = scan();
    ASSERT_EQ(labels(result), std::vector<std::string>{"zz.hidden"});
    EXPECT_EQ(result.agents.front().id(), daemonsDir() / ".hidden.desktop");
    EXPECT_EQ(result.agents.front().domain, D::systemDaemon);
}

TEST_F(LaunchAgentScannerTest, AFifoNamedLikeAnEntryDoesNotBlockTheScan)
{
    tree.fileWithContent(userDir() / "good.desktop", entry("good.agent"));
    tree.fifo(userDir() / "x.desktop");
    const std::optional<Scan> result = scanWithin(scanner());
    ASSERT_TRUE(result) << "the scan blocked on the FIFO";
    EXPECT_EQ(labels(*result), std::vector<std::string>{"good.agent"});
    EXPECT_EQ(result->unreadableDomains, std::vector<D>{D::userAgent});
    EXPECT_TRUE(result->rootOnlyDomains.empty());
}

TEST_F(LaunchAgentScannerTest, SizeLimit)
{
    const QByteArray largest = entryOfSize(LaunchAgentScanner::kMaxFileBytes);
    ASSERT_EQ(largest.size(), 2'000'000);
    tree.fileWithContent(userDir() / "largest.desktop", largest);
    Scan result = scan();
    EXPECT_EQ(labels(result), std::vector<std::string>{"big"});
    EXPECT_TRUE(result.unreadableDomains.empty());

    // One byte more: the domain is unreadable, and not root-only, whether the file is the user's own or
    // another user's that others may read.
    const Path tooLarge = tree.fileWithContent(agentsDir() / "too-large.desktop", entryOfSize(2'000'001));
    result = scan();
    EXPECT_EQ(labels(result), std::vector<std::string>{"big"});
    EXPECT_EQ(result.unreadableDomains, std::vector<D>{D::systemAgent});
    EXPECT_TRUE(result.rootOnlyDomains.empty());

    QM_SKIP_UNLESS_PRIVILEGE_DROP(); // giving the file away needs root
    tree.chown(tooLarge);
    result = scan();
    EXPECT_EQ(result.unreadableDomains, std::vector<D>{D::systemAgent});
    EXPECT_TRUE(result.rootOnlyDomains.empty());
}

TEST_F(LaunchAgentScannerTest, SortsByLabelCaseInsensitivelyKeepingTheOrderFound)
{
    tree.fileWithContent(userDir() / "1.desktop", entry("b.agent"));
    tree.fileWithContent(userDir() / "2.desktop", entry("A.agent"));
    tree.fileWithContent(agentsDir() / "3.desktop", entry("a.agent"));
    // An entry without a name goes by its file's name.
    tree.fileWithContent(agentsDir() / "m.desktop", entry(""));
    tree.fileWithContent(daemonsDir() / "4.desktop", entry("l.agent"));
    tree.fileWithContent(daemonsDir() / "5.desktop", entry("o.agent"));

    Scan result = scan();
    EXPECT_EQ(labels(result),
              (std::vector<std::string>{"A.agent", "a.agent", "b.agent", "l.agent", "m", "o.agent"}));
    EXPECT_EQ(result.agents.at(0).domain, D::userAgent);
    EXPECT_EQ(result.agents.at(1).domain, D::systemAgent);
    EXPECT_EQ(result.agents.at(4).url, agentsDir() / "m.desktop");

    // Equal keys keep folder order, whichever spelling comes first.
    tree.fileWithContent(userDir() / "2.desktop", entry("a.agent"));
    tree.fileWithContent(agentsDir() / "3.desktop", entry("A.agent"));
    result = scan();
    EXPECT_EQ(labels(result),
              (std::vector<std::string>{"a.agent", "A.agent", "b.agent", "l.agent", "m", "o.agent"}));
}

TEST_F(LaunchAgentScannerTest, EachDomainIsListedOnceInTheOrderFirstMet)
{
    const Path notAFolder = tree.fileWithContent("not-a-folder", "x");
    tree.fileWithContent(tree.path("agents/bad.desktop"), "Name = x;");
    const LaunchAgentScanner twice({}, {{D::systemDaemon, notAFolder},
                                        {D::userAgent, tree.path("agents")},
                                        {D::systemDaemon, notAFolder},
                                        {D::userAgent, notAFolder}});
    const Scan result = twice.scanWithCoverage();
    EXPECT_EQ(result.unreadableDomains, (std::vector<D>{D::systemDaemon, D::userAgent}));
    EXPECT_TRUE(result.rootOnlyDomains.empty());
}

TEST_F(LaunchAgentScannerTest, TwoEntriesWithOneNameAreTwoJobs)
{
    tree.fileWithContent(userDir() / "a.desktop", entry("same"));
    tree.fileWithContent(userDir() / "b.desktop", entry("same"));
    EXPECT_EQ(labels(scan()), (std::vector<std::string>{"same", "same"}));
}

TEST_F(LaunchAgentScannerTest, AFolderWithTooManyEntriesIsNotReadCompletely)
{
    tree.folder(userDir());
    for (std::size_t i = 0; i <= LaunchAgentScanner::kMaxEntries; ++i)
        tree.file(userDir() / ("f" + std::to_string(i)));
    const Scan result = scan();
    EXPECT_EQ(result.unreadableDomains, std::vector<D>{D::userAgent});
    EXPECT_TRUE(result.rootOnlyDomains.empty());
}

// Runs as the user "nobody": the user's home is theirs, the system folders root's.
TEST_F(LaunchAgentScannerTest, RootOnlyGapsUnderDroppedPrivileges)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    struct Case
    {
        const char* what;
        std::function<void(test::TempTree&, const Path& dir)> make; // dir: root-owned, mode 0755
        bool unreadable;
        bool rootOnly;
        int readable; // jobs of the case's folder the dropped process still reads
    };
    const Case cases[] = {
        {"root's private entries only",
         [](test::TempTree& t, const Path& dir) {
             t.chmod(t.fileWithContent(dir / "secret.desktop", entry("secret")), 0600);
             t.chmod(t.fileWithContent(dir / "secret2.desktop", entry("secret2")), 0640);
         },
         true, true, 1},
        {"root's private entry and a malformed entry of the user",
         [](test::TempTree& t, const Path& dir) {
             t.chmod(t.fileWithContent(dir / "secret.desktop", entry("secret")), 0600);
             t.chown(t.fileWithContent(dir / "bad.desktop", "Name = x;"));
         },
         true, false, 1},
        {"root's private entry and an entry of the user's that the user may not read",
         [](test::TempTree& t, const Path& dir) {
             t.chmod(t.fileWithContent(dir / "secret.desktop", entry("secret")), 0600);
             const Path mine = t.fileWithContent(dir / "mine.desktop", entry("mine"));
             t.chown(mine);
             t.chmod(mine, 0000);
         },
         true, false, 1},
        {"another user's entry that others may read",
         [](test::TempTree& t, const Path& dir) { t.fileWithContent(dir / "open.desktop", entry("open")); },
         false, false, 2},
        {"a link into a folder only root may search",
         [](test::TempTree& t, const Path& dir) {
             t.fileWithContent("closed/x.desktop", entry("hidden"));
             t.chmod(t.path("closed"), 0700);
             t.symlink(t.path("closed/x.desktop"), dir / "link.desktop");
         },
         true, false, 1},
        {"a folder only root may list", [](test::TempTree& t, const Path& dir) { t.chmod(dir, 0700); }, true,
         true, 0},
        {"a folder the user may list but not search",
         [](test::TempTree& t, const Path& dir) { t.chmod(dir, 0744); }, true, false, 0},
    };
    for (const Case& c : cases) {
        test::TempTree t;
        // The positive control: the user's own job in the user's own folder.
        const Path homeDir = t.folder("home");
        const Path userAgents = t.folder("home/.config/autostart");
        t.chown(t.fileWithContent(userAgents / "control.desktop", entry("control")));
        for (const Path& mine : {homeDir, homeDir / ".config", userAgents})
            t.chown(mine);
        const Path dir = t.folder("root/daemons");
        t.fileWithContent(dir / "public.desktop", entry("public"));
        c.make(t, dir);

        Scan result;
        {
            test::DroppedPrivileges dropped;
            result = LaunchAgentScanner({}, entryFolders(homeDir, t.path("root"))).scanWithCoverage();
        }
        int readable = 0;
        bool control = false;
        for (const LaunchAgent& agent : result.agents) {
            control = control || (agent.label == "control" && agent.domain == D::userAgent);
            readable += agent.domain == D::systemDaemon ? 1 : 0;
        }
        EXPECT_TRUE(control) << c.what;
        EXPECT_EQ(readable, c.readable) << c.what;
        EXPECT_EQ(result.unreadableDomains, c.unreadable ? std::vector<D>{D::systemDaemon} : std::vector<D>{})
            << c.what;
        EXPECT_EQ(result.rootOnlyDomains, c.rootOnly ? std::vector<D>{D::systemDaemon} : std::vector<D>{})
            << c.what;
    }
}

// The user's own folder, unreadable to the user, is a gap that root access would not explain; one that
// root keeps closed is root-only.
TEST_F(LaunchAgentScannerTest, UnlistableFoldersUnderDroppedPrivileges)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const Path homeDir = tree.folder("home");
    const Path userAgents = tree.folder("home/.config/autostart");
    for (const Path& mine : {homeDir, homeDir / ".config", userAgents})
        tree.chown(mine);
    tree.chmod(userAgents, 0000);
    tree.fileWithContent(agentsDir() / "public.desktop", entry("public"));
    tree.chmod(tree.folder(daemonsDir()), 0750);

    Scan result;
    {
        test::DroppedPrivileges dropped;
        result = scan();
    }
    EXPECT_EQ(labels(result), std::vector<std::string>{"public"}); // positive control
    EXPECT_EQ(result.unreadableDomains, (std::vector<D>{D::userAgent, D::systemDaemon}));
    EXPECT_EQ(result.rootOnlyDomains, std::vector<D>{D::systemDaemon});
}

} // namespace
} // namespace qm
