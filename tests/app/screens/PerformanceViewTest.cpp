// The Performance page offscreen over the real Performance model, launch folder scanner and helper
// client (with a fake service manager and administrator prompt): the statistics card over fixed
// samples, the maintenance card in each helper state and while an action runs, the login items and
// system jobs in their states, the disable confirmation and the refresh on activation.
#include "PerformanceScreenHarness.h"

#include <QColor>
#include <QQuickItem>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include <gtest/gtest.h>

#include <functional>

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using State = AppActivity::State;

const QSize kPageSize(820, 900);
constexpr qint64 kGiB = 1024LL * 1024 * 1024;

QString text(const QQuickItem* item)
{
    return item != nullptr ? item->property("text").toString() : QStringLiteral("<missing>");
}

QColor color(const QQuickItem* item)
{
    return item != nullptr ? item->property("color").value<QColor>() : QColor();
}

SystemSnapshot sample()
{
    SystemSnapshot s = SystemSnapshot::empty();
    s.cores = 8;
    s.totalRAM = 16 * kGiB;
    s.usedRAM = 4 * kGiB;
    s.cpuUsage = 0.5;
    s.load1 = 1.5;
    s.diskFree = 250'000'000'000;
    s.diskTotal = 1'000'000'000'000;
    s.diskUsed = 750'000'000'000;
    s.uptime = 7200;
    return s;
}

class PerformanceViewTest : public ::testing::Test
{
protected:
    void open()
    {
        ASSERT_TRUE(h.open(kPageSize)) << h.errors().join('\n').toStdString();
        ASSERT_TRUE(h.settleScan()) << "the first scan never landed";
        h.settleHelper();
    }
    QQuickItem* bar(const char* label) const { return h.find(QStringLiteral("statBar:") + label); }
    QQuickItem* tile(const QString& label) const { return h.find(QStringLiteral("statTile:") + label); }
    QStringList tileLabels(int row) const
    {
        QStringList labels;
        QQuickItem* rowItem = h.find(QStringLiteral("tileRow:") + QString::number(row));
        if (rowItem == nullptr)
            return {QStringLiteral("<no row>")};
        for (QQuickItem* child : rowItem->childItems())
            if (child->isVisible() && child->objectName().startsWith(QStringLiteral("statTile:")))
                labels.append(child->property("label").toString());
        return labels;
    }
    QQuickItem* maintenance() const { return h.part("maintenance"); }
    QQuickItem* row(const fs::path& file) const
    {
        const QByteArray bytes(file.native().data(), qsizetype(file.native().size()));
        return h.find(QStringLiteral("agentRow:") + QString::fromLatin1(bytes.toPercentEncoding()));
    }
    void setStatus(DaemonService::Status status)
    {
        h.daemon().setStatus(status);
        h.helper().refreshStatus();
        h.settleHelper();
    }

    PerformanceScreenHarness h;
};

TEST_F(PerformanceViewTest, TheStatisticsBarsFollowTheirThresholdsAndKnownFlags)
{
    open();
    const QColor accent = color(bar("CPU")->property("fill").value<QQuickItem*>());
    struct Case
    {
        const char* what;
        std::function<void(SystemSnapshot&)> change;
        const char* bar;
        bool known;
        bool warning;
        // -1: the sliver (4 px); 1: the whole track; otherwise not checked.
        int width;
    };
    const Case cases[] = {
        {"CPU at 0.85", [](SystemSnapshot& s) { s.cpuUsage = 0.85; }, "CPU", true, false, 0},
        {"CPU at 0.86", [](SystemSnapshot& s) { s.cpuUsage = 0.86; }, "CPU", true, true, 0},
        {"memory at 0.85", [](SystemSnapshot& s) { s.usedRAM = qint64(0.85 * double(16 * kGiB)); }, "Memory",
         true, false, 0},
        {"memory at 0.86", [](SystemSnapshot& s) { s.usedRAM = qint64(0.86 * double(16 * kGiB)); }, "Memory",
         true, true, 0},
        {"disk at 0.9", [](SystemSnapshot& s) { s.diskUsed = 900'000'000'000; }, "Disk", true, false, 0},
        {"disk at 0.91", [](SystemSnapshot& s) { s.diskUsed = 910'000'000'000; }, "Disk", true, true, 0},
        {"a known CPU of 0", [](SystemSnapshot& s) { s.cpuUsage = 0.0; }, "CPU", true, false, -1},
        {"an unknown CPU", [](SystemSnapshot& s) { s.cpuUsage.reset(); }, "CPU", false, false, 0},
        {"memory in use unknown", [](SystemSnapshot& s) { s.usedRAM.reset(); }, "Memory", false, false, 0},
        {"a full disk", [](SystemSnapshot& s) { s.diskUsed = s.diskTotal; }, "Disk", true, true, 1},
        {"more memory in use than there is", [](SystemSnapshot& s) { s.usedRAM = 20 * kGiB; }, "Memory", true,
         true, 1},
    };
    for (const Case& c : cases) {
        SystemSnapshot s = sample();
        c.change(s);
        h.model().stats()->setSnapshot(s);
        QQuickItem* item = bar(c.bar);
        ASSERT_NE(item, nullptr) << c.what;
        auto* fill = item->property("fill").value<QQuickItem*>();
        auto* track = item->property("track").value<QQuickItem*>();
        EXPECT_EQ(fill->isVisible(), c.known) << c.what;
        if (c.known) {
            EXPECT_EQ(color(fill),
                      c.warning ? QColor::fromRgbF(232 / 255.0, 168 / 255.0, 76 / 255.0) : accent)
                << c.what;
        }
        if (c.width == -1) {
            EXPECT_DOUBLE_EQ(fill->width(), 4) << c.what;
        }
        if (c.width == 1) {
            EXPECT_DOUBLE_EQ(fill->width(), track->width()) << c.what;
        }
    }
    EXPECT_NE(accent, QColor::fromRgbF(232 / 255.0, 168 / 255.0, 76 / 255.0));
}

TEST_F(PerformanceViewTest, TheStatisticsCardShowsItsTextsRowsAndPlaceholder)
{
    open();
    QQuickItem* card = h.part("systemCard");
    EXPECT_TRUE(card->property("placeholder").toBool()) << "no sample yet";
    EXPECT_EQ(text(tile("Thermal")->property("valueText").value<QQuickItem*>()), QStringLiteral("\u2014"));

    SystemSnapshot s = sample();
    s.usedRAM.reset();
    s.diskFree = 0;
    s.load1 = 0.125;
    h.model().stats()->setSnapshot(s);
    EXPECT_FALSE(card->property("placeholder").toBool());
    EXPECT_EQ(bar("Memory")->property("value").toString(), QStringLiteral("\u2014 of 16 GB used"));
    EXPECT_EQ(bar("Disk")->property("value").toString(), QStringLiteral("0 KB free of 1 TB"));
    EXPECT_EQ(tile("Free")->property("value").toString(), QStringLiteral("\u2014"));
    EXPECT_EQ(tile("Load")->property("value").toString(), QStringLiteral("0.12"));
    EXPECT_EQ(tileLabels(2), (QStringList{"Thermal", "Uptime"})) << "no battery";

    BatteryInfo battery = BatteryInfo::unavailable();
    battery.isPresent = true;
    battery.isCharging = true;
    battery.chargePercent = 80;
    battery.temperatureC = 30.5;
    h.model().stats()->setBattery(battery);
    EXPECT_EQ(tileLabels(2),
              (QStringList{QStringLiteral("Battery \u26A1\uFE0E"), "Battery temp", "Thermal", "Uptime"}));
    EXPECT_EQ(tile(QStringLiteral("Battery temp"))->property("value").toString(), QStringLiteral("30°C"));
    EXPECT_EQ(tileLabels(0),
              (QStringList{QStringLiteral("\u2193 Download"), QStringLiteral("\u2191 Upload")}));
}

TEST_F(PerformanceViewTest, TheMaintenanceCardFollowsTheHelperState)
{
    open();
    struct Case
    {
        DaemonService::Status status;
        const char* badge;
        const char* footer;
        bool remove;
        bool install;
    };
    const Case cases[] = {
        {DaemonService::Status::notRegistered, "Not installed",
         "Actions ask for your password each time. Installing the background helper lets them run silently.",
         false, true},
        {DaemonService::Status::requiresApproval, "Needs approval",
         "Actions will ask for your password until Quillmere's background helper is approved.", false, true},
        {DaemonService::Status::enabled, "Helper installed",
         "These run as root. Quillmere's background helper runs them silently for the installed Quillmere "
         "when polkit allows it; otherwise the system will ask for your password.",
         true, false},
        {DaemonService::Status::unknown, "Unavailable",
         "Actions will ask for your password each time. (The silent background helper needs systemd and an "
         "installed Quillmere: Unknown state)",
         false, true},
    };
    for (const Case& c : cases) {
        setStatus(c.status);
        const QString what = QString::fromUtf8(c.badge);
        EXPECT_EQ(text(h.find("helperBadge")), what);
        EXPECT_EQ(text(h.find("helperFooter")), QString::fromUtf8(c.footer)) << c.badge;
        EXPECT_EQ(h.find("removeHelperButton") != nullptr, c.remove) << c.badge;
        EXPECT_EQ(h.find("installHelperButton") != nullptr, c.install) << c.badge;
        // There is no Login Items pane to approve the helper in here, so no button offers one.
        EXPECT_EQ(h.find("openLoginItemsButton"), nullptr) << c.badge;
    }
}

TEST_F(PerformanceViewTest, AnActionDisablesEveryRowWhileItRunsThenShowsItsResultLine)
{
    open();
    h.click(h.find("action:flushDNS"));
    ASSERT_TRUE(h.settle([&] { return h.find("helperMessage") != nullptr; }));
    EXPECT_EQ(text(h.find("helperMessage")),
              QStringLiteral("\u2713 Flush DNS cache \u2014 DNS cache flushed"));

    h.holdPrompt(true);
    h.click(h.find("action:freeMemory"));
    ASSERT_TRUE(h.settle([&] { return h.held(); }));
    EXPECT_EQ(h.find("helperMessage"), nullptr) << "the previous line goes when an action starts";
    for (const char* id : {"action:freeMemory", "action:flushDNS"}) {
        QQuickItem* button = h.find(QString::fromLatin1(id));
        ASSERT_NE(button, nullptr) << id;
        EXPECT_FALSE(button->isEnabled()) << id;
    }
    const auto spinners = h.findAll("actionProgress", maintenance());
    ASSERT_EQ(spinners.size(), 1);
    EXPECT_TRUE(h.find("action:freeMemory")->isAncestorOf(spinners.first()));
    const size_t commands = h.prompt().commands().size();
    h.click(h.find("action:flushDNS"));
    h.settleHelper();
    EXPECT_EQ(h.prompt().commands().size(), commands) << "a disabled row starts nothing";

    h.holdPrompt(false);
    ASSERT_TRUE(h.settle([&] { return h.find("helperMessage") != nullptr; }));
    EXPECT_EQ(text(h.find("helperMessage")),
              QStringLiteral("\u2713 Free up memory \u2014 Page cache dropped"));
    EXPECT_TRUE(h.find("action:flushDNS")->isEnabled());
    EXPECT_TRUE(h.findAll("actionProgress", maintenance()).isEmpty());

    h.prompt().answerExit(1, "resolvectl: failed");
    h.click(h.find("action:flushDNS"));
    ASSERT_TRUE(h.settle([&] { return h.find("helperMessage") != nullptr; }));
    EXPECT_TRUE(text(h.find("helperMessage")).startsWith(QStringLiteral("\u2715 Flush DNS cache \u2014 ")))
        << text(h.find("helperMessage")).toStdString();
}

TEST_F(PerformanceViewTest, WithoutTheMaintenanceToolTheCardListsTwoRowsAndOneDivider)
{
    open();
    maintenance()->setProperty("actions",
                               QStringList{QStringLiteral("freeMemory"), QStringLiteral("flushDNS")});
    QQuickTest::qWaitForPolish(h.window());
    QQuickItem* list = h.find("actionList");
    EXPECT_NE(h.find("action:freeMemory", list), nullptr);
    EXPECT_NE(h.find("action:flushDNS", list), nullptr);
    EXPECT_EQ(h.find("action:runMaintenance", list), nullptr);
    const auto dividers = h.findAll("actionDivider", list);
    ASSERT_EQ(dividers.size(), 1) << "a divider between the rows, none after the last";
    EXPECT_LT(dividers.first()->mapToScene({0, 0}).y(),
              h.find("action:flushDNS", list)->mapToScene({0, 0}).y());
}

TEST_F(PerformanceViewTest, TheLoginItemsBlockInEachState)
{
    open();

    // Readable and empty.
    EXPECT_EQ(text(h.find("loginItemsTitle")), QStringLiteral("Login items (0)"));
    EXPECT_EQ(text(h.find("loginItemsEmpty")), QStringLiteral("Nothing extra launches at login."));
    EXPECT_EQ(h.find("loginItemsWarning"), nullptr);
    EXPECT_EQ(h.find("systemBlock"), nullptr) << "no system jobs and every system folder readable";

    // Empty because the folder could not be read in full: an entry that is no desktop entry.
    h.tree().fileWithContent(h.userDir() / "broken.desktop", "not a desktop entry");
    h.model().load();
    // Loading: no count, no warning, the progress indicator.
    EXPECT_EQ(text(h.find("loginItemsTitle")), QStringLiteral("Login items"));
    EXPECT_EQ(h.find("loginItemsWarning"), nullptr) << "no warning while loading";
    EXPECT_NE(h.find("loginItemsProgress"), nullptr);
    ASSERT_TRUE(h.settleScan());
    EXPECT_EQ(text(h.find("loginItemsUnreadableText")),
              QStringLiteral(
                  "Couldn't fully check login items \u2014 check their folders' permissions and try again."));
    EXPECT_NE(h.find("loginItemsWarning"), nullptr);
    EXPECT_EQ(h.find("loginItemsEmpty"), nullptr);
}

TEST_F(PerformanceViewTest, TheSystemBlockIsPresentOnlyWithJobsOrAGapAndStartsCollapsed)
{
    // A "*.wants" that is no folder cannot be read.
    h.tree().fileWithContent(h.daemonsDir() / "broken.target.wants", "not a folder");
    open();
    ASSERT_NE(h.find("systemBlock"), nullptr) << "an unreadable system folder shows the block";
    EXPECT_EQ(text(h.find("systemTitle")), QStringLiteral("System agents & daemons (0)"));
    EXPECT_NE(h.find("systemWarning"), nullptr);
    EXPECT_EQ(h.find("systemChevron")->property("name").toString(), QStringLiteral("chevron.down"));
    EXPECT_EQ(h.find("systemUnreadable"), nullptr) << "collapsed";
    h.click(h.find("systemToggle"));
    EXPECT_EQ(h.find("systemChevron")->property("name").toString(), QStringLiteral("chevron.up"));
    EXPECT_EQ(text(h.find("systemUnreadable")), QStringLiteral("Couldn't fully check this location."));

    fs::remove(h.daemonsDir() / "broken.target.wants");
    h.addJob(h.agentsDir(), "com.example.sysagent.desktop", "com.example.sysagent");
    h.addDaemon("com.example.daemon.service");
    h.model().load();
    ASSERT_TRUE(h.settleScan());
    EXPECT_EQ(h.find("systemWarning"), nullptr);
    EXPECT_EQ(text(h.find("systemTitle")), QStringLiteral("System agents & daemons (2)"));
    QQuickItem* agent = row(h.agentsDir() / "com.example.sysagent.desktop");
    ASSERT_NE(agent, nullptr);
    EXPECT_NE(h.find("systemLock", agent), nullptr) << "a system row shows the lock";
    EXPECT_EQ(h.find("disableButton", agent), nullptr);
    EXPECT_EQ(h.find("runAtLoadSymbol", agent)->property("name").toString(), QStringLiteral("bolt.fill"));
}

// The system's autostart entries and services are listed only: each row shows the lock, none Disable.
TEST_F(PerformanceViewTest, SystemRowsShowTheLockAndNoDisable)
{
    h.addJob(h.agentsDir(), "print.desktop", "Print Applet", "/usr/bin/print-applet");
    const fs::path daemonUnit = h.addDaemon("com.example.daemon.service");
    // Tall enough that the opened system list stands inside the window.
    ASSERT_TRUE(h.open(QSize(820, 1400))) << h.errors().join('\n').toStdString();
    ASSERT_TRUE(h.settleScan());
    h.settleHelper();
    h.click(h.find("systemToggle"));
    for (const fs::path& file : {h.agentsDir() / "print.desktop", daemonUnit}) {
        SCOPED_TRACE(file.native());
        QQuickItem* system = row(file);
        ASSERT_NE(system, nullptr);
        EXPECT_NE(h.find("systemLock", system), nullptr);
        EXPECT_EQ(h.find("disableButton", system), nullptr);
    }
    EXPECT_TRUE(h.findAll("disableButton").isEmpty());
}

// The confirmation says what moves: an autostart entry, or a unit's enable links.
TEST_F(PerformanceViewTest, TheConfirmationSaysWhatMoves)
{
    h.addJob(h.userDir(), "notes.desktop", "Notes");
    const fs::path unit = h.addUserUnit("sync.service");
    open();
    auto* confirm = h.page()->property("confirm").value<QObject*>();
    const struct
    {
        fs::path file;
        const char* title;
        const char* message;
    } cases[] = {
        {h.userDir() / "notes.desktop", "Disable \u201CNotes\u201D?",
         "Its autostart entry moves to the Trash and can be restored. It won't start at next login."},
        {unit, "Disable \u201Csync.service\u201D?",
         "Its unit's enable links move to the Trash and can be restored. It won't start at next login."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.native());
        QQuickItem* target = row(c.file);
        ASSERT_NE(target, nullptr);
        h.click(h.find("disableButton", target));
        ASSERT_TRUE(h.settle([&] { return confirm->property("opened").toBool(); }));
        EXPECT_EQ(confirm->property("title").toString(), QString::fromUtf8(c.title));
        EXPECT_EQ(confirm->property("message").toString(), QString::fromUtf8(c.message));
        h.click(confirm->property("cancelButton").value<QQuickItem*>());
        ASSERT_TRUE(h.settle([&] { return !h.model().showConfirm(); }));
    }
}

TEST_F(PerformanceViewTest, LabelsShowLiterallyAndCancelKeepsThePendingItem)
{
    h.addJob(h.userDir(), "com.example.markup.desktop", "<b>x</b>", "\"/opt/<i>run</i> %%1\"");
    h.addJob(h.userDir(), "com.example.percent.desktop", "%2");
    h.addJob(h.userDir(), "com.example.unnamed.desktop", "");
    open();
    EXPECT_EQ(text(h.find("loginItemsTitle")), QStringLiteral("Login items (3)"));

    QQuickItem* markup = row(h.userDir() / "com.example.markup.desktop");
    ASSERT_NE(markup, nullptr);
    QQuickItem* name = h.find("agentName", markup);
    EXPECT_EQ(text(name), QStringLiteral("<b>x</b>"));
    EXPECT_EQ(name->property("textFormat").toInt(), int(Qt::PlainText));
    EXPECT_EQ(text(h.find("agentProgram", markup)), QStringLiteral("/opt/<i>run</i> %1"));
    EXPECT_EQ(h.find("agentProgram", markup)->property("textFormat").toInt(), int(Qt::PlainText));

    auto* confirm = h.page()->property("confirm").value<QObject*>();
    const struct
    {
        const char* file;
        const char* title;
    } cases[] = {
        {"com.example.markup.desktop", "Disable \u201C<b>x</b>\u201D?"},
        {"com.example.percent.desktop", "Disable \u201C%2\u201D?"},
        {"com.example.unnamed.desktop", "Disable \u201Ccom.example.unnamed\u201D?"},
    };
    for (const auto& c : cases) {
        QQuickItem* target = row(h.userDir() / c.file);
        ASSERT_NE(target, nullptr) << c.file;
        h.click(h.find("disableButton", target));
        ASSERT_TRUE(h.settle([&] { return confirm->property("opened").toBool(); })) << c.file;
        EXPECT_EQ(confirm->property("title").toString(), QString::fromUtf8(c.title)) << c.file;
        auto* title = confirm->property("titleText").value<QQuickItem*>();
        EXPECT_EQ(text(title), QString::fromUtf8(c.title)) << c.file;
        EXPECT_EQ(title->property("textFormat").toInt(), int(Qt::PlainText)) << c.file;
        h.click(confirm->property("cancelButton").value<QQuickItem*>());
        ASSERT_TRUE(h.settle([&] { return !h.model().showConfirm(); })) << c.file;
        ASSERT_TRUE(h.model().pendingRemoval().has_value()) << "Cancel keeps the pending item: " << c.file;
        EXPECT_EQ(h.model().pendingRemoval()->url, h.userDir() / c.file);
    }
}

TEST_F(PerformanceViewTest, NamesThatReadAlikeAreTwoRowsWithOneDividerBetween)
{
    // Both read "a\uFFFD" on screen; only the bytes of their paths tell them apart.
    h.addJob(h.userDir(), "a\xff.desktop", "");
    h.addJob(h.userDir(), "a\xEF\xBF\xBD.desktop", "");
    open();
    QQuickItem* list = h.find("loginItemsList");
    ASSERT_NE(list, nullptr);
    QQuickItem* first = row(h.userDir() / "a\xff.desktop");
    QQuickItem* second = row(h.userDir() / "a\xEF\xBF\xBD.desktop");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(text(h.find("agentName", first)), text(h.find("agentName", second)));
    EXPECT_EQ(h.findAll("agentDivider", list).size(), 1);
}

TEST_F(PerformanceViewTest, DisableButtonsWaitForADisableThenTheUndoBarBringsItBack)
{
    h.addJob(h.userDir(), "com.example.alpha.desktop", "com.example.alpha");
    h.addJob(h.userDir(), "com.example.beta.desktop", "com.example.beta");
    h.holdTrash(true);
    open();
    h.click(h.find("disableButton", row(h.userDir() / "com.example.alpha.desktop")));
    auto* confirm = h.page()->property("confirm").value<QObject*>();
    ASSERT_TRUE(h.settle([&] { return confirm->property("opened").toBool(); }));
    h.click(confirm->property("destructiveButton").value<QQuickItem*>());
    ASSERT_TRUE(h.settle([&] { return h.model().disableInFlight(); }));
    for (QQuickItem* button : h.findAll("disableButton", h.find("loginItemsList")))
        EXPECT_FALSE(button->isEnabled());

    h.holdTrash(false);
    ASSERT_TRUE(h.settle([&] { return !h.model().disableInFlight(); }));
    for (QQuickItem* button : h.findAll("disableButton", h.find("loginItemsList")))
        EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(row(h.userDir() / "com.example.alpha.desktop"), nullptr);
    QQuickItem* undo = h.part("undoBar");
    ASSERT_TRUE(h.settle([&] { return undo->property("item").value<QQuickItem*>() != nullptr; }));
    auto* bar = undo->property("item").value<QQuickItem*>();
    EXPECT_EQ(bar->property("title").toString(), QStringLiteral("Disabled com.example.alpha"));
    EXPECT_EQ(bar->property("subtitle").toString(), QStringLiteral("Moved to Trash"));
    // Undo would be refused while the Trash is emptied, so it is off meanwhile.
    h.tracker().setEmptyingTrash(true);
    EXPECT_FALSE(h.find("undoButton")->isEnabled()) << "Undo is off while the Trash is emptied";
    h.tracker().setEmptyingTrash(false);
    EXPECT_TRUE(h.find("undoButton")->isEnabled());
    h.click(h.find("undoButton"));
    EXPECT_EQ(undo->property("item").value<QQuickItem*>(), nullptr) << "the bar goes at once";
    ASSERT_TRUE(h.settle([&] { return row(h.userDir() / "com.example.alpha.desktop") != nullptr; }));
}

TEST_F(PerformanceViewTest, AFailedDisableShowsTheAlertUntilOK)
{
    open();
    h.model().setDisableFailureText(QStringLiteral("\u201C<b>x</b>\u201D couldn't be disabled."));
    QQuickItem* alert = h.part("failureAlert");
    auto* popup = alert->property("popup").value<QObject*>();
    ASSERT_TRUE(h.settle([&] { return popup->property("opened").toBool(); }));
    EXPECT_EQ(popup->property("title").toString(), QStringLiteral("Couldn't disable that item"));
    EXPECT_EQ(popup->property("message").toString(),
              QStringLiteral("\u201C<b>x</b>\u201D couldn't be disabled."));
    h.click(h.find("failureOkButton"));
    ASSERT_TRUE(h.settle([&] { return !h.model().disableFailure().has_value(); }));
}

TEST_F(PerformanceViewTest, AppearingLoadsOnlyWhenEmptyAndBecomingActiveRereadsAndRescans)
{
    open();
    EXPECT_EQ(h.model().generation(), 1) << "loadIfNeeded on appearance";
    EXPECT_GE(h.daemon().count("status"), 1) << "the helper's state is read on appearance";
    const int statusReads = h.daemon().count("status");

    h.activity().setState(State::Inactive);
    h.settleHelper();
    EXPECT_EQ(h.model().generation(), 1) << "resigning active does nothing";
    h.activity().setState(State::Active);
    h.settleHelper();
    EXPECT_EQ(h.model().generation(), 2);
    EXPECT_EQ(h.daemon().count("status"), statusReads + 1);
    ASSERT_TRUE(h.settleScan());
}

} // namespace
} // namespace qm::test
