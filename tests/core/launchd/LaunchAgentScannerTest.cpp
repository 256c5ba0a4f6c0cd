#include "core/launchd/LaunchAgentScanner.h"

#include "core/launchd/PlistFixture.h"
#include "support/LaunchdFolders.h"
#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

namespace qm {
namespace {

namespace p = test::plist;
using Scan = LaunchAgentScanner::Scan;
using D = LaunchDomain;

QByteArray xml(plist_t node)
{
    const p::Owned owned = p::own(node);
    return p::toXml(node);
}

QByteArray binary(plist_t node)
{
    const p::Owned owned = p::own(node);
    return p::toBinary(node);
}

QByteArray labelled(const char* label)
{
    return xml(p::dict({{"Label", p::str(label)}, {"Program", p::str("/opt/x")}}));
}

// An XML property list of exactly `size` bytes whose label is "big".
QByteArray plistOfSize(qint64 size)
{
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                            "<key>Label</key><string>big</string>\n<key>Padding</key><string>";
    const QByteArray tail = "</string>\n</dict>\n</plist>\n";
    return head + QByteArray(size - head.size() - tail.size(), 'x') + tail;
}

std::vector<std::string> labels(const Scan& scan)
{
    std::vector<std::string> out;
    for (const LaunchAgent& agent : scan.agents)
        out.push_back(agent.label.toStdString());
    return out;
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
    Path userDir() const { return home() / "Library/LaunchAgents"; }
    Path agentsDir() const { return systemRoot() / "Library/LaunchAgents"; }
    Path daemonsDir() const { return systemRoot() / "Library/LaunchDaemons"; }

    LaunchAgentScanner scanner() const
    {
        return LaunchAgentScanner({}, test::launchdFolders(home(), systemRoot()));
    }
    Scan scan() const { return scanner().scanWithCoverage(); }

    test::TempTree tree;
};

TEST_F(LaunchAgentScannerTest, TheStandardFolders)
{
    EXPECT_EQ(test::launchdFolders("/home/u"),
              (std::vector<LaunchAgentScanner::Folder>{{D::userAgent, "/home/u/Library/LaunchAgents"},
                                                       {D::systemAgent, "/Library/LaunchAgents"},
                                                       {D::systemDaemon, "/Library/LaunchDaemons"}}));
    EXPECT_EQ(LaunchDomains::toRaw(D::userAgent), "Login items");
    EXPECT_EQ(LaunchDomains::toRaw(D::systemAgent), "System agents");
    EXPECT_EQ(LaunchDomains::toRaw(D::systemDaemon), "System daemons");
    EXPECT_EQ(LaunchDomains::fromRaw("System daemons"), D::systemDaemon);
    EXPECT_EQ(LaunchDomains::fromRaw("system daemons"), std::nullopt);
    EXPECT_EQ(LaunchDomains::fromRaw("systemDaemon"), std::nullopt);
}

TEST_F(LaunchAgentScannerTest, ReadsXmlAndBinaryJobsOfAllThreeDomains)
{
    tree.fileWithContent(
        userDir() / "com.user.agent.plist",
        xml(p::dict({{"Label", p::str("com.user.agent")},
                     {"ProgramArguments", p::array({p::str("/bin/sh"), p::str("/home/u/run.sh")})},
                     {"RunAtLoad", p::boolean(true)}})));
    tree.fileWithContent(agentsDir() / "b.plist", binary(p::dict({{"Label", p::str("com.sys.agent")},
                                                                  {"Program", p::str("/opt/agent")},
                                                                  {"RunAtLoad", p::integer(2)}})));
    tree.fileWithContent(daemonsDir() / "nolabel.plist", binary(p::dict({{"RunAtLoad", p::str("1")}})));
    tree.fileWithContent(daemonsDir() / ".hidden.plist", xml(p::dict({{"Label", p::str("zz.hidden")}})));
    tree.fileWithContent(daemonsDir() / "x.PLIST", "not a property list");
    tree.fileWithContent(daemonsDir() / "readme.txt", "not a property list");
    tree.fileWithContent(daemonsDir() / "plist", "not a property list");

    const Scan result = scan();
    const std::vector<LaunchAgent> expected{
        {agentsDir() / "b.plist", "com.sys.agent", "/opt/agent", true, D::systemAgent, std::nullopt},
        {userDir() / "com.user.agent.plist", "com.user.agent", "/bin/sh", true, D::userAgent,
         "/home/u/run.sh"},
        {daemonsDir() / "nolabel.plist", "nolabel", QString::fromUtf8("\xe2\x80\x94"), true, D::systemDaemon,
         std::nullopt},
        {daemonsDir() / ".hidden.plist", "zz.hidden", LaunchAgent::noProgram(), false, D::systemDaemon,
         std::nullopt},
    };
    EXPECT_EQ(result.agents, expected);
    EXPECT_TRUE(result.unreadableDomains.empty());
    EXPECT_TRUE(result.rootOnlyDomains.empty());
    EXPECT_EQ(result.agents.front().id(), agentsDir() / "b.plist");
}

TEST_F(LaunchAgentScannerTest, MissingAndLinkedFolders)
{
    // No folder at all: nothing found, no gap.
    EXPECT_EQ(scan(), Scan{});

    // A dangling link in place of the user's folder is no gap either; a folder reached through a link is
    // listed, and its jobs keep the path as given.
    tree.symlink(tree.path("nowhere"), userDir());
    tree.fileWithContent(tree.path("real-agents/a.plist"), labelled("a.agent"));
    tree.symlink(tree.path("real-agents"), agentsDir());
    Scan result = scan();
    EXPECT_EQ(labels(result), std::vector<std::string>{"a.agent"});
    EXPECT_EQ(result.agents.at(0).url, agentsDir() / "a.plist");
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
    const QByteArray good = labelled("good.agent");
    const Case cases[] = {
        {"a link to an existing property list",
         [&](test::TempTree& t, const Path& dir) {
             t.fileWithContent("elsewhere/real.plist", good);
             t.symlink(t.path("elsewhere/real.plist"), dir / "link.plist");
         },
         true},
        {"a dangling link",
         [](test::TempTree& t, const Path& dir) { t.symlink(t.path("gone"), dir / "gone.plist"); }, false},
        {"a looping link",
         [](test::TempTree& t, const Path& dir) { t.symlink(dir / "loop.plist", dir / "loop.plist"); },
         false},
        {"a folder", [](test::TempTree& t, const Path& dir) { t.folder(dir / "folder.plist"); }, true},
        {"an array at the top level",
         [](test::TempTree& t, const Path& dir) {
             t.fileWithContent(dir / "array.plist", xml(p::array({p::str("x")})));
         },
         true},
        {"a string at the top level",
         [](test::TempTree& t, const Path& dir) {
             t.fileWithContent(dir / "string.plist", binary(p::str("x")));
         },
         true},
        {"text that is no property list",
         [](test::TempTree& t, const Path& dir) { t.fileWithContent(dir / "text.plist", "Label = x;"); },
         true},
        {"an empty file", [](test::TempTree& t, const Path& dir) { t.file(dir / "empty.plist"); }, true},
        {"a truncated binary list",
         [&](test::TempTree& t, const Path& dir) {
             const QByteArray whole = binary(p::dict({{"Label", p::str("cut")}}));
             t.fileWithContent(dir / "cut.plist", whole.left(whole.size() - 10));
         },
         true},
        {"a program that is not UTF-8",
         [](test::TempTree& t, const Path& dir) {
             t.fileWithContent(dir / "bytes.plist",
                               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">"
                               "<dict><key>Program</key><string>/opt/a\xff</string></dict></plist>");
         },
         true},
        {"a binary list nested 250,000 deep",
         [](test::TempTree& t, const Path& dir) {
             t.fileWithContent(dir / "deep.plist", p::deeplyNestedBinary(250'000));
         },
         true},
        {"an XML list nested 130,000 deep",
         [](test::TempTree& t, const Path& dir) {
             QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">";
             text += QByteArray("<array>").repeated(130'000) + QByteArray("</array>").repeated(130'000) +
                     "</plist>";
             t.fileWithContent(dir / "deep.plist", text);
         },
         true},
        {"a capitalised extension is not looked at",
         [](test::TempTree& t, const Path& dir) { t.fileWithContent(dir / "x.PLIST", "Label = x;"); }, false},
        {"a hidden file named .plist has no extension",
         [](test::TempTree& t, const Path& dir) { t.fileWithContent(dir / ".plist", "Label = x;"); }, false},
    };
    for (const Case& c : cases) {
        test::TempTree t;
        const Path dir = t.folder("root/Library/LaunchAgents");
        t.fileWithContent(dir / "good.plist", good);
        c.make(t, dir);
        const Scan result =
            LaunchAgentScanner({}, test::launchdFolders(t.path("home"), t.path("root"))).scanWithCoverage();
        EXPECT_EQ(labels(result), std::vector<std::string>{"good.agent"}) << c.what;
        EXPECT_EQ(result.unreadableDomains, c.unreadable ? std::vector<D>{D::systemAgent} : std::vector<D>{})
            << c.what;
        EXPECT_TRUE(result.rootOnlyDomains.empty()) << c.what;
    }
}

TEST_F(LaunchAgentScannerTest, AFifoNamedLikeAPropertyListDoesNotBlockTheScan)
{
    tree.fileWithContent(userDir() / "good.plist", labelled("good.agent"));
    tree.fifo(userDir() / "x.plist");
    const std::optional<Scan> result = scanWithin(scanner());
    ASSERT_TRUE(result) << "the scan blocked on the FIFO";
    EXPECT_EQ(labels(*result), std::vector<std::string>{"good.agent"});
    EXPECT_EQ(result->unreadableDomains, std::vector<D>{D::userAgent});
    EXPECT_TRUE(result->rootOnlyDomains.empty());
}

TEST_F(LaunchAgentScannerTest, SizeLimit)
{
    const QByteArray largest = plistOfSize(LaunchAgentScanner::kMaxPlistBytes);
    ASSERT_EQ(largest.size(), 2'000'000);
    tree.fileWithContent(userDir() / "largest.plist", largest);
    Scan result = scan();
    EXPECT_EQ(labels(result), std::vector<std::string>{"big"});
    EXPECT_TRUE(result.unreadableDomains.empty());

    // One byte more: the domain is unreadable, and not root-only, whether the file is the user's own or
    // another user's that others may read.
    const Path tooLarge = tree.fileWithContent(agentsDir() / "too-large.plist", plistOfSize(2'000'001));
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
    tree.fileWithContent(userDir() / "1.plist", labelled("b.agent"));
    tree.fileWithContent(userDir() / "2.plist", labelled("A.agent"));
    tree.fileWithContent(agentsDir() / "3.plist", labelled("a.agent"));
    // An empty label stays empty but sorts by the file name; a missing label is the file name.
    tree.fileWithContent(agentsDir() / "m.plist", labelled(""));
    tree.fileWithContent(daemonsDir() / "n.plist", xml(p::dict({})));
    tree.fileWithContent(daemonsDir() / "4.plist", labelled("l.agent"));
    tree.fileWithContent(daemonsDir() / "5.plist", labelled("o.agent"));

    Scan result = scan();
    EXPECT_EQ(labels(result),
              (std::vector<std::string>{"A.agent", "a.agent", "b.agent", "l.agent", "", "n", "o.agent"}));
    EXPECT_EQ(result.agents.at(0).domain, D::userAgent);
    EXPECT_EQ(result.agents.at(1).domain, D::systemAgent);
    EXPECT_EQ(result.agents.at(4).url, agentsDir() / "m.plist");

    // Equal keys keep folder order, whichever spelling comes first.
    tree.fileWithContent(userDir() / "2.plist", labelled("a.agent"));
    tree.fileWithContent(agentsDir() / "3.plist", labelled("A.agent"));
    result = scan();
    EXPECT_EQ(labels(result),
              (std::vector<std::string>{"a.agent", "A.agent", "b.agent", "l.agent", "", "n", "o.agent"}));
}

TEST_F(LaunchAgentScannerTest, EachDomainIsListedOnceInTheOrderFirstMet)
{
    const Path notAFolder = tree.fileWithContent("not-a-folder", "x");
    tree.fileWithContent(tree.path("agents/bad.plist"), "Label = x;");
    const LaunchAgentScanner twice({}, {{D::systemDaemon, notAFolder},
                                        {D::userAgent, tree.path("agents")},
                                        {D::systemDaemon, notAFolder},
                                        {D::userAgent, notAFolder}});
    const Scan result = twice.scanWithCoverage();
    EXPECT_EQ(result.unreadableDomains, (std::vector<D>{D::systemDaemon, D::userAgent}));
    EXPECT_TRUE(result.rootOnlyDomains.empty());
}

TEST_F(LaunchAgentScannerTest, TwoListsWithOneLabelAreTwoJobs)
{
    tree.fileWithContent(userDir() / "a.plist", labelled("same"));
    tree.fileWithContent(userDir() / "b.plist", labelled("same"));
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
        {"root's private lists only",
         [](test::TempTree& t, const Path& dir) {
             t.chmod(t.fileWithContent(dir / "secret.plist", labelled("secret")), 0600);
             t.chmod(t.fileWithContent(dir / "secret2.plist", labelled("secret2")), 0640);
         },
         true, true, 1},
        {"root's private list and a malformed list of the user",
         [](test::TempTree& t, const Path& dir) {
             t.chmod(t.fileWithContent(dir / "secret.plist", labelled("secret")), 0600);
             t.chown(t.fileWithContent(dir / "bad.plist", "Label = x;"));
         },
         true, false, 1},
        {"root's private list and a list of the user's that the user may not read",
         [](test::TempTree& t, const Path& dir) {
             t.chmod(t.fileWithContent(dir / "secret.plist", labelled("secret")), 0600);
             const Path mine = t.fileWithContent(dir / "mine.plist", labelled("mine"));
             t.chown(mine);
             t.chmod(mine, 0000);
         },
         true, false, 1},
        {"another user's list that others may read",
         [](test::TempTree& t, const Path& dir) { t.fileWithContent(dir / "open.plist", labelled("open")); },
         false, false, 2},
        {"a link into a folder only root may search",
         [](test::TempTree& t, const Path& dir) {
             t.fileWithContent("closed/x.plist", labelled("hidden"));
             t.chmod(t.path("closed"), 0700);
             t.symlink(t.path("closed/x.plist"), dir / "link.plist");
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
        const Path userAgents = t.folder("home/Library/LaunchAgents");
        t.chown(t.fileWithContent(userAgents / "control.plist", labelled("control")));
        for (const Path& mine : {homeDir, homeDir / "Library", userAgents})
            t.chown(mine);
        const Path dir = t.folder("root/Library/LaunchDaemons");
        t.fileWithContent(dir / "public.plist", labelled("public"));
        c.make(t, dir);

        Scan result;
        {
            test::DroppedPrivileges dropped;
            result = LaunchAgentScanner({}, test::launchdFolders(homeDir, t.path("root"))).scanWithCoverage();
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
    const Path userAgents = tree.folder("home/Library/LaunchAgents");
    for (const Path& mine : {homeDir, homeDir / "Library", userAgents})
        tree.chown(mine);
    tree.chmod(userAgents, 0000);
    tree.fileWithContent(agentsDir() / "public.plist", labelled("public"));
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
