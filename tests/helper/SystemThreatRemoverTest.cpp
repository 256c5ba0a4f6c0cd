// The removal handler in this process, where a fake code signer can answer "notarized" and privileges can
// be dropped so the handler meets the permission errors an ordinary file system gives.
#include "helper/SystemThreatRemover.h"

#include "FakeTools.h"
#include "HelperReplyPrinting.h"
#include "platform/FileSystem.h"
#include "support/FakeCodeSigner.h"
#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace qm {
namespace {

using HelperProtocol::HelperReply;

const QString kRequirement = QStringLiteral("anchor apple or (anchor apple generic and certificate "
                                            "leaf[field.1.2.840.113635.100.6.1.13] exists and notarized)");
const QString kStillRunning = QStringLiteral(
    " (the process may still be running until it exits or the computer restarts \u2014 it won't launch "
    "again automatically)");

class SystemThreatRemoverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* folder : {"etc/xdg/autostart", "etc/systemd/system", "etc/systemd/user"})
            m_tree.folder(root() / folder);
    }

    fs::path root() const { return m_tree.path("root"); }
    // Absent unless a test writes it: then no unit counts as active.
    fs::path systemctl() const { return m_tree.path("tools/systemctl"); }
    fs::path log() const { return m_tree.path("calls.log"); }
    // A systemctl that logs its calls, knows no unit file and says no unit is active.
    void writeIdleSystemctl() const
    {
        test::FakeTools::writeTool(systemctl(), "systemctl", log(),
                                   "[ \"$1\" = is-active ] && exit 3\nexit 0");
    }
    // The state a stateful fake systemctl reads: "fragment-UNIT" holds the file systemd loaded UNIT
    // from, "active-UNIT" marks it running, "stuck-UNIT" keeps it running through a stop.
    fs::path systemdState() const { return m_tree.path("systemd-state"); }
    void loaded(const std::string& unit, const std::string& fragment, bool active = true)
    {
        m_tree.fileWithContent(systemdState() / ("fragment-" + unit),
                               QByteArray::fromStdString(fragment + "\n"));
        if (active)
            m_tree.file(systemdState() / ("active-" + unit));
    }
    bool isActive(const std::string& unit) const { return fs::exists(systemdState() / ("active-" + unit)); }
    void writeStatefulSystemctl()
    {
        m_tree.folder(systemdState());
        const std::string state = "'" + systemdState().native() + "'";
        test::FakeTools::writeTool(systemctl(), "systemctl", log(),
                                   "case \"$1\" in\n"
                                   "show) [ \"$3\" = FragmentPath ] && cat " +
                                       state +
                                       "/fragment-\"$5\" 2>/dev/null; exit 0;;\n"
                                       "is-active) [ -e " +
                                       state +
                                       "/active-\"$4\" ] && exit 0; exit 3;;\n"
                                       "stop) [ -e " +
                                       state + "/stuck-\"$3\" ] || rm -f " + state +
                                       "/active-\"$3\"; exit 0;;\n"
                                       "esac\nexit 0");
    }
    fs::path onDisk(const std::string& systemPath) const { return fs::path(root().native() + systemPath); }
    QStringList calls() const { return test::FakeTools::calls(log()); }

    fs::path put(const std::string& systemPath, const QByteArray& content = "x")
    {
        return m_tree.fileWithContent(onDisk(systemPath), content);
    }

    HelperReply remove(const QString& label, const QStringList& paths) const
    {
        const SystemThreatRemover remover(root(), systemctl(), std::make_shared<ProcessRunner>(), m_signer);
        return remover.remove(label, paths);
    }

    test::TempTree m_tree;
    std::shared_ptr<test::FakeCodeSigner> m_signer = std::make_shared<test::FakeCodeSigner>();
};

// A bind mount of `source` at `target` for the life of the object, detached again on every path. Bind
// mounts need root with the right to mount; `mounted()` says whether this one took.
class BindMount
{
public:
    BindMount(const fs::path& source, const fs::path& target) : m_target(target)
    {
        m_mounted = ::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) == 0;
    }
    ~BindMount()
    {
        if (m_mounted)
            ::umount2(m_target.c_str(), MNT_DETACH);
    }
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;
    bool mounted() const { return m_mounted; }

private:
    fs::path m_target;
    bool m_mounted = false;
};

QString refusedAsNotarized(const QString& name)
{
    return QStringLiteral("Refused \u2014 ") + name +
           QStringLiteral(
               " runs software that is validly signed and notarized. Remove it manually if you're sure.");
}

TEST_F(SystemThreatRemoverTest, ProtectedSoftwareIsRefusedBeforeAnyStop)
{
    const std::string unit = "/etc/systemd/system/vendor.service";
    const std::string entry = "/etc/xdg/autostart/vendor.desktop";
    put(unit, "[Service]\nExecStart=/opt/vendor/run\n");
    put(entry, "[Desktop Entry]\nExec=/opt/vendor/run\n");
    writeIdleSystemctl();

    struct Row
    {
        QStringList paths;
        fs::path protectedItem; // what the fake signer calls notarized
        QString expected;
    };
    const std::vector<Row> rows = {
        {{QString::fromStdString(unit)}, onDisk(unit), refusedAsNotarized("vendor.service")},
        {{QString::fromStdString(entry)}, onDisk(entry), refusedAsNotarized("vendor.desktop")},
        // The first path would be stopped and deleted; the second refuses the whole request first.
        {{QString::fromStdString(unit), QString::fromStdString(entry)},
         onDisk(entry),
         refusedAsNotarized("vendor.desktop")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.paths.join(QLatin1Char(' ')).toStdString());
        m_signer = std::make_shared<test::FakeCodeSigner>();
        m_signer->satisfy(row.protectedItem, kRequirement);
        EXPECT_EQ(remove(QString(), row.paths), (HelperReply{false, row.expected}));
        for (const auto& [code, requirement] : m_signer->requirementChecks())
            EXPECT_EQ(requirement, kRequirement) << code;
    }
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(fs::exists(onDisk(unit)));
    EXPECT_TRUE(fs::exists(onDisk(entry)));
}

TEST_F(SystemThreatRemoverTest, APathNamedManyTimesIsCheckedOnceAndCountedEveryTime)
{
    // A FIFO in place of a unit file is never opened (it would block); the label names nothing.
    const std::string unit = "/etc/systemd/system/com.example.big.service";
    ASSERT_EQ(::mkfifo(onDisk(unit).c_str(), 0644), 0);
    writeIdleSystemctl();

    EXPECT_EQ(remove(QStringLiteral("com.example.big"), QStringList(1000, QString::fromStdString(unit))),
              (HelperReply{true, "Removed 1000 items"}));
    // One signature check of the item itself, and systemd asked about the unit once.
    const auto checks = m_signer->requirementChecks();
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks.at(0).first, onDisk(unit));
    EXPECT_EQ(calls(), (QStringList{"systemctl show -P FragmentPath -- com.example.big.service",
                                    "systemctl daemon-reload"}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(onDisk(unit))));

    // Repeats among other paths keep their places in the counts.
    const std::string userUnit = "/etc/systemd/user/agent.service";
    put(userUnit);
    put("/etc/xdg/autostart/agent.desktop");
    EXPECT_EQ(remove(QString(), {QString::fromStdString(userUnit), "/etc/xdg/autostart/agent.desktop",
                                 QString::fromStdString(userUnit), "/etc/xdg/autostart/agent.desktop"}),
              (HelperReply{true, "Removed 4 items" + kStillRunning}));
    // Repeats of a path that is refused are each counted as refused.
    QStringList refused(3, QStringLiteral("/tmp/x.service"));
    refused.append(QString::fromStdString(unit));
    EXPECT_EQ(remove(QString(), refused),
              (HelperReply{false, "Refused \u2014 3 path(s) outside the allowed system locations"}));
}

TEST_F(SystemThreatRemoverTest, PermissionDenialsFailClosed)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    // Only a folder that no longer exists counts as nothing to check and nothing to remove; one that
    // cannot be searched refuses (while checking) or fails (while removing).
    const std::string hidden = "/etc/systemd/system/hidden.service";
    const std::string open = "/etc/xdg/autostart/open.desktop";
    put(hidden);
    put(open);
    m_tree.chmod(onDisk("/etc/systemd/system"), 0700);
    m_tree.chown(onDisk("/etc/xdg/autostart"));
    m_tree.chown(onDisk(open));

    test::TempTree closed;
    closed.file("root/etc/systemd/system/x.service");
    closed.chmod(closed.path("root/etc"), 0700);
    const SystemThreatRemover closedRemover(closed.path("root"), systemctl(),
                                            std::make_shared<ProcessRunner>(), m_signer);

    HelperReply denied;
    HelperReply unsearchable;
    {
        test::DroppedPrivileges nobody;
        // Positive control: the dropped process reaches what it should.
        ASSERT_TRUE(FileSystem().list(onDisk("/etc/xdg/autostart")).ok());
        ASSERT_TRUE(FileSystem().list(onDisk("/etc/systemd")).ok());
        EXPECT_EQ(remove(QString(), {"/etc/xdg/autostart/absent.desktop"}),
                  (HelperReply{true, "Removed 1 item"}));

        denied = remove(QString(), {QString::fromStdString(hidden), QString::fromStdString(open)});
        unsearchable = closedRemover.remove(QString(), {"/etc/systemd/system/x.service"});
    }
    EXPECT_EQ(denied,
              (HelperReply{false, "Removed 1, failed 1: hidden.service: Permission denied" + kStillRunning}));
    EXPECT_TRUE(fs::exists(onDisk(hidden)));
    EXPECT_FALSE(fs::exists(onDisk(open)));
    EXPECT_EQ(
        unsearchable,
        (HelperReply{false,
                     QStringLiteral("Refused \u2014 a path resolves outside the allowed system locations")}));
    EXPECT_TRUE(fs::exists(closed.path("root/etc/systemd/system/x.service")));
}

TEST_F(SystemThreatRemoverTest, NeverReachesIntoAnotherMount)
{
    // Bind mounts of a folder outside the allowed ones, as a hostile root process could leave them: in
    // place of an allowed folder, as an item to remove, and deep inside one. On this file system they
    // are neither links nor another device, yet what lies beyond them must stay untouched.
    const fs::path outside = m_tree.path("outside");
    m_tree.fileWithContent(outside / "keep.desktop", "keep me");
    m_tree.fileWithContent(outside / "sub/keep", "keep me too");
    m_tree.folder(onDisk("/etc/systemd/system/trap.service"));
    m_tree.folder(onDisk("/etc/systemd/system/bundle.service/inner"));
    put("/etc/systemd/system/bundle.service/own");

    {
        BindMount item(outside, onDisk("/etc/systemd/system/trap.service"));
        BindMount nested(outside, onDisk("/etc/systemd/system/bundle.service/inner"));
        if (!item.mounted() || !nested.mounted())
            GTEST_SKIP() << "needs the right to bind-mount";
        EXPECT_EQ(
            remove(QString(), {"/etc/systemd/system/trap.service", "/etc/systemd/system/bundle.service"}),
            (HelperReply{false, "Removed 0, failed 2: trap.service: Invalid cross-device link; "
                                "bundle.service: Invalid cross-device link"}));
        EXPECT_TRUE(fs::exists(outside / "keep.desktop"));
        EXPECT_TRUE(fs::exists(outside / "sub/keep"));
        // What belongs to the item itself still goes.
        EXPECT_FALSE(fs::exists(onDisk("/etc/systemd/system/bundle.service/own")));
    }
    {
        BindMount parent(outside, onDisk("/etc/xdg/autostart"));
        ASSERT_TRUE(parent.mounted());
        EXPECT_EQ(
            remove(QString(), {"/etc/xdg/autostart/keep.desktop"}),
            (HelperReply{false, QStringLiteral("Refused \u2014 a path resolves outside the allowed system "
                                               "locations")}));
        EXPECT_TRUE(fs::exists(outside / "keep.desktop"));
    }
    // Positive control: without the mounts the same items go.
    EXPECT_EQ(remove(QString(), {"/etc/systemd/system/trap.service", "/etc/systemd/system/bundle.service"}),
              (HelperReply{true, "Removed 2 items"}));
    EXPECT_TRUE(fs::exists(outside / "keep.desktop"));
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// A threat in the system's autostart entries or units goes with its enable links; nothing else of /etc
// or of systemd's folders can be named, and a "*.wants" folder that is a link out is refused whole.
TEST_F(SystemThreatRemoverTest, SystemUnitsAndAutostartEntriesGoWithTheirLinksAndNothingElse)
{
    put("/etc/systemd/system/miner.service", "[Service]\nExecStart=/opt/xmrig\n");
    const fs::path link = m_tree.symlink("../miner.service",
                                         onDisk("/etc/systemd/system/multi-user.target.wants/miner.service"));
    put("/etc/xdg/autostart/miner.desktop", "[Desktop Entry]\nExec=/opt/xmrig\n");
    const fs::path keep = put("/etc/systemd/system/sshd.service", "[Service]\nExecStart=/usr/sbin/sshd\n");
    const fs::path package = put("/usr/lib/systemd/system/pkg.service", "[Service]\nExecStart=/opt/pkg\n");

    // systemd has the unit running: it is stopped before its files go, and told to reload after.
    writeStatefulSystemctl();
    loaded("miner.service", "/etc/systemd/system/miner.service");
    const HelperReply removed =
        remove(QString(), {"/etc/systemd/system/miner.service",
                           "/etc/systemd/system/multi-user.target.wants/miner.service",
                           "/etc/xdg/autostart/miner.desktop"});
    EXPECT_EQ(removed, (HelperReply{true, QStringLiteral("Removed 3 items") + kStillRunning}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(onDisk("/etc/systemd/system/miner.service"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(onDisk("/etc/xdg/autostart/miner.desktop"))));
    EXPECT_TRUE(fs::exists(onDisk("/etc/systemd/system/multi-user.target.wants")));
    EXPECT_TRUE(fs::exists(keep));
    EXPECT_EQ(
        calls(),
        (QStringList{"systemctl show -P FragmentPath -- miner.service", "systemctl stop -- miner.service",
                     "systemctl is-active --quiet -- miner.service", "systemctl daemon-reload"}))
        << "systemd was not asked as it should be";
    EXPECT_FALSE(isActive("miner.service"));

    const HelperReply outside{
        false, QStringLiteral("Refused \u2014 1 path(s) outside the allowed system locations")};
    for (const char* path :
         {"/usr/lib/systemd/system/pkg.service", "/etc/systemd/system/multi-user.target.wants",
          "/etc/systemd/system/sshd.service.d", "/etc/systemd/system.conf", "/etc/passwd",
          "/etc/xdg/autostart/notes.txt"}) {
        EXPECT_EQ(remove(QString(), {QString::fromUtf8(path)}), outside) << path;
    }

    m_tree.symlink(root() / "usr/lib/systemd/system", onDisk("/etc/systemd/system/evil.target.wants"));
    EXPECT_EQ(remove(QString(), {"/etc/systemd/system/evil.target.wants/pkg.service"}),
              (HelperReply{false, QStringLiteral("Refused \u2014 a path resolves outside the allowed system "
                                                 "locations")}));
    EXPECT_TRUE(fs::exists(package));
    EXPECT_TRUE(fs::exists(keep));
}

// A unit is stopped only when systemd loaded it from a file being removed, and only by a name it reads
// as that one unit: never a pattern that matches every running service, never the vendor unit a missing
// file or an alias link names.
TEST_F(SystemThreatRemoverTest, StopsOnlyAUnitSystemdLoadedFromAFileBeingRemoved)
{
    struct Row
    {
        const char* what;
        std::vector<std::string> files; // under /etc/systemd/system, created before the call
        std::vector<std::pair<std::string, std::string>> links;       // (link, target)
        std::vector<std::pair<std::string, std::string>> loadedUnits; // (unit, fragment), active
        bool stuck;                                                   // the unit stays active through a stop
        QStringList paths;
        HelperReply expected;
        QStringList expectedCalls;
        std::vector<std::string> stillActive;
    };
    const HelperReply refused{
        false, QStringLiteral("Refused \u2014 1 path(s) outside the allowed system locations")};
    const std::vector<std::pair<std::string, std::string>> running = {
        {"ssh.service", "/usr/lib/systemd/system/ssh.service"},
        {"gdm.service", "/usr/lib/systemd/system/gdm.service"},
        {"cron.service", "/usr/lib/systemd/system/cron.service"}};
    const std::vector<Row> rows = {
        {"a star",
         {"*.service"},
         {},
         running,
         false,
         {"/etc/systemd/system/*.service"},
         refused,
         {},
         {"ssh.service", "gdm.service", "cron.service"}},
        {"a prefix pattern",
         {"ssh*.service"},
         {},
         running,
         false,
         {"/etc/systemd/system/ssh*.service"},
         refused,
         {},
         {"ssh.service"}},
        {"a bracket pattern",
         {"[a-z]*.service"},
         {},
         running,
         false,
         {"/etc/systemd/system/[a-z]*.service"},
         refused,
         {},
         {"ssh.service", "gdm.service", "cron.service"}},
        {"a missing file named like a vendor unit",
         {},
         {},
         running,
         false,
         {"/etc/systemd/system/gdm.service"},
         HelperReply{true, "Removed 1 item"},
         {"systemctl show -P FragmentPath -- gdm.service", "systemctl daemon-reload"},
         {"gdm.service"}},
        {"an alias link to a vendor unit",
         {},
         {{"display-manager.service", "/usr/lib/systemd/system/gdm.service"}},
         {{"display-manager.service", "/usr/lib/systemd/system/gdm.service"},
          {"gdm.service", "/usr/lib/systemd/system/gdm.service"}},
         false,
         {"/etc/systemd/system/display-manager.service"},
         HelperReply{true, "Removed 1 item"},
         {"systemctl show -P FragmentPath -- display-manager.service", "systemctl daemon-reload"},
         {"display-manager.service", "gdm.service"}},
        {"a unit with its enable link",
         {"miner.service"},
         {{"multi-user.target.wants/miner.service", "../miner.service"}},
         {{"miner.service", "/etc/systemd/system/miner.service"}},
         false,
         {"/etc/systemd/system/miner.service", "/etc/systemd/system/multi-user.target.wants/miner.service"},
         HelperReply{true, "Removed 2 items"},
         {"systemctl show -P FragmentPath -- miner.service", "systemctl stop -- miner.service",
          "systemctl is-active --quiet -- miner.service", "systemctl daemon-reload"},
         {}},
        {"a unit that keeps running",
         {"miner.service"},
         {},
         {{"miner.service", "/etc/systemd/system/miner.service"}},
         true,
         {"/etc/systemd/system/miner.service"},
         HelperReply{true, "Removed 1 item" + kStillRunning},
         {"systemctl show -P FragmentPath -- miner.service", "systemctl stop -- miner.service",
          "systemctl is-active --quiet -- miner.service", "systemctl daemon-reload"},
         {"miner.service"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(root() / "etc/systemd/system");
        m_tree.folder(root() / "etc/systemd/system");
        fs::remove_all(systemdState());
        fs::remove(log());
        writeStatefulSystemctl();
        for (const std::string& file : row.files)
            put("/etc/systemd/system/" + file, "[Service]\nExecStart=/opt/x\n");
        for (const auto& [link, target] : row.links)
            m_tree.symlink(target, onDisk("/etc/systemd/system/" + link));
        for (const auto& [unit, fragment] : row.loadedUnits) {
            loaded(unit, fragment);
            if (row.stuck)
                m_tree.file(systemdState() / ("stuck-" + unit));
        }

        EXPECT_EQ(remove(QString(), row.paths), row.expected);
        EXPECT_EQ(calls(), row.expectedCalls);
        for (const std::string& unit : row.stillActive)
            EXPECT_TRUE(isActive(unit)) << unit << " was stopped";
        if (row.expected == refused) {
            for (const std::string& file : row.files)
                EXPECT_TRUE(fs::exists(onDisk("/etc/systemd/system/" + file))) << file;
        }
    }
}

} // namespace
} // namespace qm
