#include "ShellHarness.h"
#include "app/navigation/QuillmereModule.h"
#include "app/qml/design/ModuleTint.h"
#include "app/shell/ModuleModels.h"
#include "app/shell/ProductLinks.h"
#include "app/shell/StorageGaugeMetrics.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QKeySequence>
#include <QPointer>
#include <QQmlProperty>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <cmath>

namespace qm::test {
namespace {

QString text(const QObject* object, const char* property = "text")
{
    return object != nullptr ? object->property(property).toString() : QStringLiteral("<missing>");
}

// Whether `color` is white at `alpha`, to within one step of 8 bits.
bool isWhite(const QColor& color, double alpha)
{
    return color.red() == 255 && color.green() == 255 && color.blue() == 255 &&
           std::abs(color.alphaF() - alpha) <= 1.0 / 255;
}

bool enabled(const QObject* object)
{
    return object != nullptr && object->property("enabled").toBool();
}

// How many of the stage's module slots are drawn.
int shownSlots(const QQuickItem* stage)
{
    int shown = 0;
    for (const QQuickItem* slot : stage->childItems())
        shown += slot->isVisible() ? 1 : 0;
    return shown;
}

class ShellWindowTest : public ::testing::Test
{
protected:
    QString shownName() const
    {
        QQuickItem* content = shell.item("content");
        QObject* shown = content ? content->property("shown").value<QObject*>() : nullptr;
        return shown ? shown->objectName() : QString();
    }
    ModuleModels* models() const { return shell.models(); }
    QString selection() const { return shell.app().navigator()->selectionId(); }
    QObject* scanAction() const { return shell.object("scanAction"); }
    QObject* goAction(const QString& module) const
    {
        return shell.object(("goAction:" + module.toStdString()).c_str());
    }
    QString stageModule() const
    {
        QQuickItem* root = shell.item("rootView");
        QObject* stage = root ? root->property("stage").value<QObject*>() : nullptr;
        return stage ? stage->property("module").toString() : QString();
    }
    QQuickItem* stageScreen() const { return shell.stageScreen(); }
    QObject* onboardingPart(const char* alias) const
    {
        QQuickItem* onboarding = shell.item("onboarding");
        return onboarding ? onboarding->property(alias).value<QObject*>() : nullptr;
    }
    QString settingsFileText() const
    {
        QFile file(
            QString::fromStdString((shell.home().configHome() / "Vellora" / "Quillmere.conf").native()));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    ShellHarness shell;
};

TEST_F(ShellWindowTest, FirstLaunchWithoutAccessShowsTheOnboardingWithEveryModuleCommandOff)
{
    shell.answers().fullDiskAccess = false;
    ASSERT_TRUE(shell.launch());
    EXPECT_EQ(shell.updater().starts(), 1) << "the update service starts with the application";
    EXPECT_EQ(shell.window()->title(), QStringLiteral("Quillmere"));
    EXPECT_EQ(shell.window()->size(), QSize(1040, 700));

    EXPECT_EQ(shownName(), QStringLiteral("onboarding"));
    EXPECT_EQ(shell.item("rootView"), nullptr);
    const int menuBarHeight = shell.window()->height() - shell.item("content")->height();
    EXPECT_GT(menuBarHeight, 0);
    EXPECT_EQ(shell.window()->minimumSize(), QSize(860, 580 + menuBarHeight));

    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan"));
    EXPECT_FALSE(enabled(scanAction()));
    for (QuillmereModule each : QuillmereModules::allCases) {
        const QString module = QuillmereModules::id(each);
        ASSERT_NE(goAction(module), nullptr) << module.toStdString();
        EXPECT_EQ(text(goAction(module)), QuillmereModules::title(each)) << "the item shows the title";
        EXPECT_FALSE(enabled(goAction(module))) << module.toStdString();
    }
    EXPECT_TRUE(enabled(shell.object("checkForUpdatesAction")));

    // The shortcuts do nothing while their items are off.
    for (Qt::Key key : {Qt::Key_1, Qt::Key_3, Qt::Key_9, Qt::Key_R})
        shell.key(key, Qt::ControlModifier);
    EXPECT_EQ(selection(), QStringLiteral("Smart Scan"));
    EXPECT_EQ(shownName(), QStringLiteral("onboarding"));
    EXPECT_FALSE(shell.app().hasSeenPermissionsOnboarding());

    QMetaObject::invokeMethod(shell.object("checkForUpdatesAction"), "trigger");
    EXPECT_EQ(shell.updater().checks(), 1);
}

TEST_F(ShellWindowTest, SkippingShowsTheRootViewAndTheOnboardingNeverReturns)
{
    shell.answers().fullDiskAccess = false;
    ASSERT_TRUE(shell.launch());
    QObject* button = onboardingPart("continueButton");
    ASSERT_EQ(text(button), QStringLiteral("Skip for now"));
    shell.click(qobject_cast<QQuickItem*>(button));

    ASSERT_TRUE(waitFor([&] { return shownName() == QStringLiteral("rootView"); }));
    EXPECT_TRUE(shell.app().hasSeenPermissionsOnboarding());
    EXPECT_TRUE(settingsFileText().contains(QStringLiteral("hasSeenPermissionsOnboarding=true")))
        << "written to the user settings file at once: " << settingsFileText().toStdString();
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan Smart Scan"));
    EXPECT_TRUE(enabled(scanAction()));
    EXPECT_TRUE(enabled(goAction(QStringLiteral("Cloud Cleanup"))));
    const int menuBarHeight = shell.window()->height() - shell.item("content")->height();
    EXPECT_EQ(shell.window()->minimumSize(), QSize(1000, 660 + menuBarHeight)) << "the root view's minimum";

    // Granting access later changes nothing about it, and neither does a restart without access.
    shell.quit();
    ASSERT_TRUE(shell.launch());
    EXPECT_EQ(shownName(), QStringLiteral("rootView"));
    EXPECT_TRUE(enabled(scanAction()));
}

TEST_F(ShellWindowTest, ALaunchWithAccessGoesStraightToTheRootViewAndLeavesTheFlagUnset)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    EXPECT_EQ(shownName(), QStringLiteral("rootView"));
    EXPECT_FALSE(shell.app().hasSeenPermissionsOnboarding());

    // A later launch without access shows the onboarding then.
    shell.quit();
    shell.answers().fullDiskAccess = false;
    ASSERT_TRUE(shell.launch());
    EXPECT_EQ(shownName(), QStringLiteral("onboarding"));
}

TEST_F(ShellWindowTest, ShortcutsSwitchModulesAndRunTheVisibleScreensScan)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    ModuleModels* m = models();
    ASSERT_NE(m, nullptr);

    shell.key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(selection(), QStringLiteral("Cleanup"));
    EXPECT_EQ(stageModule(), QStringLiteral("Cleanup"));
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan Cleanup"));
    EXPECT_TRUE(enabled(scanAction()));
    ASSERT_NE(stageScreen(), nullptr);
    EXPECT_EQ(text(stageScreen()->findChild<QObject*>(QStringLiteral("pageHeader")), "title"),
              QStringLiteral("Cleanup"));
    EXPECT_EQ(ModuleTint::resolve(stageScreen()), QuillmereModules::tint(QuillmereModule::cleanup))
        << "the screen sees its module's tint";

    EXPECT_EQ(m->cleanup()->phase(), CleanupViewModel::Phase::idle);
    shell.key(Qt::Key_R, Qt::ControlModifier);
    // The scan of the fixture home may already have ended while the key was handled.
    EXPECT_NE(m->cleanup()->phase(), CleanupViewModel::Phase::idle);
    EXPECT_EQ(m->cleanup()->generation(), 1);

    shell.key(Qt::Key_6, Qt::ControlModifier);
    EXPECT_EQ(selection(), QStringLiteral("Battery"));
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan"));
    EXPECT_FALSE(enabled(scanAction()));
    shell.key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(m->cleanup()->generation(), 1) << "nothing runs from the Battery screen";

    shell.key(Qt::Key_9, Qt::ControlModifier);
    EXPECT_EQ(selection(), QStringLiteral("Space Lens"));
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan Space Lens"));

    // The health module keeps its id while it shows its title.
    EXPECT_EQ(text(goAction(QStringLiteral("Mac Health"))), QStringLiteral("System Health"));
    shell.key(Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(selection(), QStringLiteral("Mac Health"));
    EXPECT_EQ(stageModule(), QStringLiteral("Mac Health"));
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan System Health"));
    ASSERT_NE(stageScreen(), nullptr) << "the screen table knows the health module's id";
    EXPECT_EQ(text(stageScreen()->findChild<QObject*>(QStringLiteral("pageHeader")), "title"),
              QStringLiteral("System Health"));

    // Disk has no shortcut: its row in the sidebar selects it. The page starts its first scan when it
    // appears; the scan is held so it cannot end between the key presses.
    EXPECT_TRUE(goAction(QStringLiteral("Disk"))->property("shortcut").toString().isEmpty());
    shell.answers().holdDiskScan = true;
    shell.click(shell.item("sidebarRow:Disk"));
    EXPECT_EQ(selection(), QStringLiteral("Disk"));
    EXPECT_EQ(m->disk()->generation(), 1) << "the page loads on appearance";
    shell.key(Qt::Key_R, Qt::ControlModifier);
    shell.key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(m->disk()->generation(), 1) << "a start while the disk scan runs is ignored";
    EXPECT_TRUE(m->disk()->scanning());
    shell.answers().holdDiskScan = false;
    EXPECT_TRUE(waitFor([&] { return !m->disk()->scanning(); }));
    shell.key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(m->disk()->generation(), 2) << "Scan Disk starts a new measurement once the last has ended";

    // The Smart Scan page scanned when it first appeared at launch; coming back does not scan again.
    shell.key(Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(selection(), QStringLiteral("Smart Scan"));
    EXPECT_EQ(m->smartScan()->generation(), 1);
    shell.key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(m->smartScan()->generation(), 2);
    EXPECT_EQ(m, models()) << "switching modules never recreates the container";
}

TEST_F(ShellWindowTest, TheBatteryPageOwnsItsReadingLoopOverTheInjectedPowerSupplies)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    shell.key(Qt::Key_6, Qt::ControlModifier);
    ASSERT_EQ(stageModule(), QStringLiteral("Battery"));
    QQuickItem* page = stageScreen();
    ASSERT_NE(page, nullptr);
    QPointer<QObject> poller = page->property("poller").value<QObject*>();
    ASSERT_NE(poller, nullptr);
    EXPECT_EQ(poller->parent(), page);
    // The fixture home has no power supplies.
    QElapsedTimer timer;
    timer.start();
    while (!poller->property("hasLoaded").toBool() && timer.elapsed() < 30'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(poller->property("hasLoaded").toBool());
    EXPECT_FALSE(poller->property("isPresent").toBool());

    // Leaving the page ends the loop with it.
    shell.key(Qt::Key_3, Qt::ControlModifier);
    timer.restart();
    while (poller && timer.elapsed() < 30'000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(poller.isNull());
}

TEST_F(ShellWindowTest, EverySwitchRefreshesTheStorageReadingAndReselectingChangesNothing)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    QThreadPool::globalInstance()->waitForDone();
    const int launchReads = shell.answers().storageReads;
    // The gauge's reading and the health refresh of the Smart Scan page, which shows first.
    EXPECT_EQ(launchReads, 2);

    shell.click(shell.item("sidebarRow:Cleanup"));
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(shell.answers().storageReads, launchReads + 1);
    EXPECT_EQ(selection(), QStringLiteral("Cleanup"));

    // The old screen fades out and is hidden; the new one stays.
    QQuickItem* root = shell.item("rootView");
    QQuickItem* stage = root->property("stage").value<QQuickItem*>();
    ASSERT_TRUE(waitFor([&] { return shownSlots(stage) == 1; }));
    QQuickItem* screen = stageScreen();

    shell.click(shell.item("sidebarRow:Cleanup"));
    QMetaObject::invokeMethod(goAction(QStringLiteral("Cleanup")), "trigger");
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(shell.answers().storageReads, launchReads + 1) << "re-selecting reads nothing";
    EXPECT_EQ(shownSlots(stage), 1) << "and starts no transition";
    EXPECT_EQ(stageScreen(), screen);

    // The Go menu's item switches like the sidebar does.
    QMetaObject::invokeMethod(goAction(QStringLiteral("Cloud Cleanup")), "trigger");
    EXPECT_EQ(selection(), QStringLiteral("Cloud Cleanup"));
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(shell.answers().storageReads, launchReads + 2);
}

TEST_F(ShellWindowTest, APageIsMadeOnItsFirstVisitAndKeptAndAppearsOnEveryVisit)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    QThreadPool::globalInstance()->waitForDone();
    QQuickItem* root = shell.item("rootView");
    QQuickItem* stage = root->property("stage").value<QQuickItem*>();
    ASSERT_NE(stage, nullptr);
    // Before any visit only the visible module's page exists.
    ASSERT_EQ(stage->childItems().size(), 1);
    EXPECT_EQ(stage->childItems().first()->property("module").toString(), QStringLiteral("Smart Scan"));
    QPointer<QQuickItem> smartScan = stageScreen();
    ASSERT_NE(smartScan, nullptr);

    // Each switch reads the volume once; the health page's appearance refreshes the health model, which
    // reads it once more.
    int reads = shell.answers().storageReads;
    shell.key(Qt::Key_2, Qt::ControlModifier);
    QThreadPool::globalInstance()->waitForDone();
    ASSERT_EQ(stageModule(), QStringLiteral("Mac Health"));
    EXPECT_EQ(shell.answers().storageReads, reads + 2);
    QPointer<QQuickItem> health = stageScreen();
    ASSERT_NE(health, nullptr);
    EXPECT_EQ(stage->childItems().size(), 2) << "the visited page is made, no other";

    shell.key(Qt::Key_3, Qt::ControlModifier);
    ASSERT_TRUE(waitFor([&] { return shownSlots(stage) == 1; }));
    ASSERT_FALSE(health.isNull()) << "a page left is kept";
    EXPECT_FALSE(health->isVisible()) << "and not drawn";
    EXPECT_FALSE(health->isEnabled()) << "and takes no input";
    EXPECT_FALSE(smartScan.isNull());
    EXPECT_EQ(stage->childItems().size(), 3);

    reads = shell.answers().storageReads;
    shell.key(Qt::Key_2, Qt::ControlModifier);
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(stageScreen(), health.data()) << "the same page comes back";
    EXPECT_TRUE(health->isVisible());
    EXPECT_EQ(shell.answers().storageReads, reads + 2) << "and appears again";
    EXPECT_EQ(stage->childItems().size(), 3);
    ASSERT_TRUE(waitFor([&] { return shownSlots(stage) == 1; }));
    EXPECT_TRUE(health->isEnabled());

    // Back before the fade-out has ended: the page leaving goes out of view and comes straight back,
    // appearing once more, while the other one fades out.
    shell.key(Qt::Key_3, Qt::ControlModifier);
    // The switch's own read runs on the pool; count from after it, while the fade-out still runs.
    QThreadPool::globalInstance()->waitForDone();
    reads = shell.answers().storageReads;
    shell.key(Qt::Key_2, Qt::ControlModifier);
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(stageScreen(), health.data());
    EXPECT_EQ(shell.answers().storageReads, reads + 2);
    QQuickItem* slot = nullptr;
    for (QQuickItem* each : stage->childItems())
        slot = each->property("module").toString() == QStringLiteral("Mac Health") ? each : slot;
    ASSERT_NE(slot, nullptr);
    ASSERT_TRUE(waitFor([&] { return shownSlots(stage) == 1 && slot->opacity() == 1 && slot->x() == 0; }));
    EXPECT_TRUE(health->isVisible());
    EXPECT_TRUE(health->isEnabled());
}

TEST_F(ShellWindowTest, TheSidebarGaugeShowsTheHomeVolume)
{
    shell.answers().fullDiskAccess = true;
    shell.answers().usedBytes = 0;
    shell.answers().totalBytes = 1'000'000'000'000;
    ASSERT_TRUE(shell.launch());
    QQuickItem* root = shell.item("rootView");
    QQuickItem* sidebar = root->property("sidebar").value<QQuickItem*>();
    QObject* gauge = sidebar->property("gauge").value<QObject*>();
    QQuickItem* bar = gauge->property("bar").value<QQuickItem*>();
    QQuickItem* fill = gauge->property("fill").value<QQuickItem*>();
    QObject* value = gauge->property("valueLabel").value<QObject*>();
    EXPECT_EQ(sidebar->width(), 228);

    ASSERT_TRUE(waitFor([&] { return text(value) == QStringLiteral("0 KB / 1 TB"); }));
    EXPECT_TRUE(fill->isVisible());
    ASSERT_TRUE(waitFor([&] { return fill->width() == 6; })) << "nothing used still shows a 6-wide fill";

    // Half used: the fill eases to half the bar, rounded.
    shell.answers().usedBytes = 500'000'000'000;
    shell.clock().advance(std::chrono::seconds(4));
    ASSERT_TRUE(waitFor([&] { return text(value) == QStringLiteral("500 GB / 1 TB"); }));
    const double expected = StorageGaugeMetrics::fillWidth(
        bar->width(), MacHealth{.usedBytes = 500'000'000'000, .totalBytes = 1'000'000'000'000});
    EXPECT_EQ(expected, std::round(bar->width() / 2));
    EXPECT_TRUE(waitFor([&] { return fill->width() == expected; }));

    // An unreadable volume keeps the last good reading.
    shell.answers().totalBytes = 0;
    shell.clock().advance(std::chrono::seconds(4));
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(text(value), QStringLiteral("500 GB / 1 TB"));
}

// The label "Storage" shows whole beside any value, at the window's default and minimum widths; so does
// the value, inside the card: too long for the rest of the row it takes the next smaller step of the
// type scale, and too long even then it goes onto a line of its own under the label, at its own size.
TEST_F(ShellWindowTest, TheGaugeLabelAndValueAlwaysShowWhole)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    QQuickItem* sidebar = shell.item("rootView")->property("sidebar").value<QQuickItem*>();
    QObject* gauge = sidebar->property("gauge").value<QObject*>();
    auto* bar = gauge->property("bar").value<QQuickItem*>();
    auto* value = gauge->property("valueLabel").value<QQuickItem*>();
    auto* label = gauge->property("labelText").value<QQuickItem*>();
    ASSERT_TRUE(waitFor([&] { return text(value) == QStringLiteral("400 GB / 1 TB"); }));
    const QFont labelFont = label->property("font").value<QFont>();
    const QFont valueFont = value->property("font").value<QFont>();
    EXPECT_EQ(valueFont.pointSizeF(), labelFont.pointSizeF()) << "label and value are the same size";

    struct Reading
    {
        qint64 used, total;
        QString shown;
        bool smaller, ownLine;
    };
    const Reading readings[] = {
        {400'000'000'000, 1'000'000'000'000, QStringLiteral("400 GB / 1 TB"), false, false},
        {1'290'000'000, 270'550'000'000, QStringLiteral("1.29 GB / 270.55 GB"), true, false},
        {191'290'000'000, 270'550'000'000, QStringLiteral("191.29 GB / 270.55 GB"), false, true},
        {999'990'000'000, 999'990'000'000'000, QStringLiteral("999.99 GB / 999.99 TB"), false, true},
    };
    const int minimumWidth = shell.window()->minimumWidth();
    for (int width : {1040, minimumWidth}) {
        shell.window()->resize(width, shell.window()->height());
        ASSERT_TRUE(waitFor([&] { return shell.window()->width() == width; }));
        ASSERT_EQ(sidebar->width(), 228);
        for (const Reading& r : readings) {
            SCOPED_TRACE(std::to_string(width) + " wide, " + r.shown.toStdString());
            shell.answers().usedBytes = r.used;
            shell.answers().totalBytes = r.total;
            shell.clock().advance(std::chrono::seconds(4));
            ASSERT_TRUE(waitFor([&] { return text(value) == r.shown; }));
            QCoreApplication::processEvents();

            EXPECT_TRUE(label->isVisible());
            EXPECT_EQ(label->opacity(), 1.0);
            EXPECT_EQ(text(label), QStringLiteral("Storage"));
            const QRectF labelBox = label->mapRectToItem(bar, QRectF(0, 0, label->width(), label->height()));
            const QRectF valueBox = value->mapRectToItem(bar, QRectF(0, 0, value->width(), value->height()));
            // The value is right-aligned: its text begins where its painted width starts.
            const double valueTextLeft = valueBox.right() - value->property("contentWidth").toDouble();
            EXPECT_GE(labelBox.left(), 0);
            EXPECT_GE(valueTextLeft, 0) << "the value begins inside the card's content";
            if (r.ownLine)
                EXPECT_GE(valueBox.top(), labelBox.bottom()) << "the value goes under the label";
            else
                EXPECT_LT(labelBox.right(), valueTextLeft) << "the value stays clear of the label";
            EXPECT_LE(valueBox.right(), bar->width() + 0.5) << "the value ends inside the card's content";
            EXPECT_FALSE(value->property("truncated").toBool()) << "the value shows whole";
            const double valuePixels = value->property("font").value<QFont>().pointSizeF();
            EXPECT_EQ(valuePixels, r.smaller ? valueFont.pointSizeF() * 10 / 11 : valueFont.pointSizeF())
                << "the value's step of the type scale";
        }
    }
}

TEST_F(ShellWindowTest, TheSidebarListsEveryModuleAndMarksTheSelectedOne)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    QList<QQuickItem*> rows;
    for (QuillmereModule module : QuillmereModules::allCases)
        rows << shell.item(("sidebarRow:" + QuillmereModules::id(module).toStdString()).c_str());
    ASSERT_EQ(rows.size(), 11);
    // The health module is "Mac Health" by id and shows "System Health".
    ASSERT_EQ(rows[1], shell.item("sidebarRow:Mac Health"));
    EXPECT_EQ(text(rows[1]->property("titleText").value<QObject*>()), QStringLiteral("System Health"));
    for (int i = 0; i < rows.size(); ++i) {
        ASSERT_NE(rows[i], nullptr) << i;
        EXPECT_EQ(text(rows[i]->property("titleText").value<QObject*>()),
                  QuillmereModules::title(QuillmereModules::allCases[i]));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(rows[i]);
        ASSERT_NE(accessible, nullptr) << i;
        EXPECT_EQ(accessible->text(QAccessible::Name),
                  QuillmereModules::title(QuillmereModules::allCases[i]));
        EXPECT_EQ(rows[i]->x(), 10) << "rows sit 10 in from the column's edge";
        if (i > 0) {
            EXPECT_EQ(rows[i]->y(), rows[i - 1]->y() + rows[i - 1]->height() + 2) << "2 apart, in order";
        }
    }

    const auto looksSelected = [&](int index) {
        QQuickItem* row = rows[index];
        QObject* title = row->property("titleText").value<QObject*>();
        QObject* plate = row->property("plate").value<QObject*>();
        return isWhite(title->property("color").value<QColor>(), 1.0) &&
               title->property("font").value<QFont>().weight() == QFont::Medium &&
               plate->property("opacity").toDouble() == 1.0;
    };
    const auto looksPlain = [&](int index) {
        QQuickItem* row = rows[index];
        QObject* title = row->property("titleText").value<QObject*>();
        QObject* plate = row->property("plate").value<QObject*>();
        return isWhite(title->property("color").value<QColor>(), 0.7) &&
               title->property("font").value<QFont>().weight() == QFont::Normal &&
               plate->property("opacity").toDouble() == 0.0;
    };
    EXPECT_TRUE(waitFor([&] { return looksSelected(0) && looksPlain(2); }));

    shell.click(rows[2]);
    EXPECT_EQ(selection(), QStringLiteral("Cleanup"));
    EXPECT_TRUE(waitFor([&] { return looksSelected(2) && looksPlain(0); })) << "the plate moves to the row";
    EXPECT_EQ(rows[2]->property("plate").value<QObject*>()->property("visible").toBool(), true);
}

TEST_F(ShellWindowTest, WithoutAnyReadingTheGaugeShowsADashAndNoFill)
{
    shell.answers().fullDiskAccess = true;
    shell.answers().totalBytes = 0;
    ASSERT_TRUE(shell.launch());
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QObject* gauge =
        shell.item("rootView")->property("sidebar").value<QQuickItem*>()->property("gauge").value<QObject*>();
    EXPECT_EQ(text(gauge->property("valueLabel").value<QObject*>()), QStringLiteral("\u2014"));
    EXPECT_FALSE(gauge->property("fill").value<QQuickItem*>()->isVisible());
}

TEST_F(ShellWindowTest, TheOnboardingFollowsAccessOnEveryActivationOnly)
{
    shell.answers().fullDiskAccess = false;
    ASSERT_TRUE(shell.launch());
    QObject* pill = onboardingPart("pillText");
    QObject* icon = onboardingPart("pillIcon");
    QObject* button = onboardingPart("continueButton");
    QQuickItem* footnote = qobject_cast<QQuickItem*>(onboardingPart("footnote"));
    ASSERT_NE(footnote, nullptr);
    const QColor accent(45, 185, 131);
    const QColor warning(232, 168, 76);

    EXPECT_EQ(text(pill), QStringLiteral("Your home folder can't be read"));
    EXPECT_EQ(text(icon, "name"), QStringLiteral("exclamationmark.shield.fill"));
    EXPECT_EQ(icon->property("color").value<QColor>(), warning);
    EXPECT_EQ(text(button), QStringLiteral("Skip for now"));
    EXPECT_TRUE(footnote->isVisible());

    // The folder's permissions were fixed: nothing changes until the application is active again.
    shell.answers().fullDiskAccess = true;
    QCoreApplication::processEvents();
    EXPECT_EQ(text(pill), QStringLiteral("Your home folder can't be read"));
    shell.reactivate();
    EXPECT_EQ(text(pill), QStringLiteral("Your home folder can be read"));
    EXPECT_EQ(text(icon, "name"), QStringLiteral("checkmark.seal.fill"));
    EXPECT_EQ(icon->property("color").value<QColor>(), accent);
    EXPECT_EQ(text(button), QStringLiteral("Continue"));
    EXPECT_FALSE(footnote->isVisible());
    EXPECT_EQ(shownName(), QStringLiteral("onboarding")) << "a readable home never dismisses the onboarding";

    // Unreadable again.
    shell.answers().fullDiskAccess = false;
    shell.reactivate();
    EXPECT_EQ(text(pill), QStringLiteral("Your home folder can't be read"));
    EXPECT_EQ(text(button), QStringLiteral("Skip for now"));
    EXPECT_TRUE(footnote->isVisible());

    // "Continue" runs the same action as "Skip for now".
    shell.answers().fullDiskAccess = true;
    shell.reactivate();
    shell.click(qobject_cast<QQuickItem*>(button));
    ASSERT_TRUE(waitFor([&] { return shownName() == QStringLiteral("rootView"); }));
    EXPECT_TRUE(shell.app().hasSeenPermissionsOnboarding());
}

// There is no switch to turn on here: the onboarding says why scans are limited and offers one
// button, the one that goes on, and no button that would open nothing.
TEST_F(ShellWindowTest, TheOnboardingTextsStepsAndItsOneButton)
{
    shell.answers().fullDiskAccess = false;
    ASSERT_TRUE(shell.launch());
    EXPECT_EQ(text(onboardingPart("titleText")),
              QStringLiteral("Quillmere can't read parts of your home folder"));
    EXPECT_EQ(
        text(onboardingPart("bodyText")),
        QStringLiteral("Quillmere scans and cleans only what your user account may read. Some of your home "
                       "folder is closed to it, so scans leave those parts out. That's a matter of file "
                       "permissions, not a switch in Settings."));
    EXPECT_EQ(
        text(onboardingPart("footnote")),
        QStringLiteral("You can skip \u2014 scans then leave out what Quillmere can't read, and say so."));

    QQuickItem* steps = qobject_cast<QQuickItem*>(onboardingPart("steps"));
    ASSERT_NE(steps, nullptr);
    QStringList numbers;
    QStringList texts;
    for (QQuickItem* step : steps->childItems()) {
        QObject* number = step->property("numberText").value<QObject*>();
        QObject* stepText = step->property("stepText").value<QObject*>();
        if (number == nullptr || stepText == nullptr)
            continue; // the repeater itself
        numbers << text(number);
        texts << text(stepText);
    }
    EXPECT_EQ(numbers, QStringList({"1", "2", "3"}));
    EXPECT_EQ(
        texts,
        QStringList({
            "Quillmere scans as <b>you</b>, with your own permissions.",
            "A folder that belongs to another user or that you may not read (one made with <b>sudo</b>, "
            "say) is skipped, and scans say they're incomplete.",
            "Give such folders back to your user (<b>chown</b>) or make them readable (<b>chmod</b>), then "
            "come back \u2014 Quillmere checks again automatically.",
        }));

    QList<QQuickItem*> buttons;
    QList<QQuickItem*> pending{shell.item("onboarding")};
    while (!pending.isEmpty()) {
        QQuickItem* each = pending.takeFirst();
        pending += each->childItems();
        if (each->isVisible() && each->metaObject()->indexOfSignal("clicked()") >= 0)
            buttons << each;
    }
    EXPECT_EQ(buttons, QList<QQuickItem*>{qobject_cast<QQuickItem*>(onboardingPart("continueButton"))});
}

TEST_F(ShellWindowTest, HelpAboutAndUpdateCommands)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    QMetaObject::invokeMethod(shell.object("guideAction"), "trigger");
    QMetaObject::invokeMethod(shell.object("supportAction"), "trigger");
    EXPECT_EQ(shell.openedUrls(), QList<QUrl>({ProductLinks::guideURL(), ProductLinks::supportURL()}));
    EXPECT_EQ(text(shell.object("guideAction")), QStringLiteral("Quillmere User Guide"));
    EXPECT_EQ(text(shell.object("supportAction")), QStringLiteral("Quillmere Support"));
    EXPECT_EQ(text(shell.object("checkForUpdatesAction")), QStringLiteral("Check for Updates\u2026"));
    EXPECT_EQ(text(shell.object("aboutAction")), QStringLiteral("About Quillmere"));

    QObject* about = shell.windowProperty("aboutPanel").value<QObject*>();
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(about->property("opened").toBool());
    QMetaObject::invokeMethod(shell.object("aboutAction"), "trigger");
    EXPECT_TRUE(waitFor([&] { return about->property("opened").toBool(); }));
    EXPECT_EQ(text(about->property("creditsText").value<QObject*>()), ProductLinks::aboutCreditsHtml());
}

// Without a browser, a Help item says so over the window: the alert names the failure and shows the
// address as text that can be selected; "OK" closes it. With a browser nothing is said.
TEST_F(ShellWindowTest, AHelpLinkNoBrowserOpensIsShownInTheAlert)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    QObject* alert = shell.windowProperty("openFailureAlert").value<QObject*>();
    ASSERT_NE(alert, nullptr);
    QMetaObject::invokeMethod(shell.object("guideAction"), "trigger");
    QCoreApplication::processEvents();
    EXPECT_FALSE(alert->property("visible").toBool()) << "the guide opened";

    shell.answers().urlsOpen = false;
    for (const char* action : {"guideAction", "supportAction"}) {
        SCOPED_TRACE(action);
        QMetaObject::invokeMethod(shell.object(action), "trigger");
        ASSERT_TRUE(waitFor([&] { return alert->property("opened").toBool(); })) << "nothing said";
        EXPECT_EQ(text(alert, "title"), QStringLiteral("Couldn't open the page"));
        EXPECT_FALSE(text(alert, "message").isEmpty());
        auto* subject = alert->property("subjectText").value<QQuickItem*>();
        ASSERT_NE(subject, nullptr);
        const QUrl expected = QString::fromLatin1(action) == QLatin1String("guideAction")
                                  ? ProductLinks::guideURL()
                                  : ProductLinks::supportURL();
        EXPECT_EQ(text(subject), expected.toString());
        EXPECT_TRUE(subject->isVisible());
        EXPECT_TRUE(subject->property("readOnly").toBool());
        EXPECT_TRUE(subject->property("selectByMouse").toBool()) << "the address can be selected";
        EXPECT_EQ(subject->property("textFormat").toInt(), int(Qt::PlainText));
        EXPECT_TRUE(waitFor([&] {
            const QQuickItem* focus = shell.window()->activeFocusItem();
            return focus != nullptr && focus->objectName() == QLatin1String("okButton");
        }));
        shell.key(Qt::Key_Return);
        EXPECT_TRUE(waitFor([&] { return !alert->property("visible").toBool(); })) << "OK closes the alert";
    }
}

// The menus' items and the About panel are not needed for the first frame and are made right after
// it; the commands, and with them every shortcut, are there from the start.
TEST_F(ShellWindowTest, TheMenusItemsAndTheAboutPanelAreMadeRightAfterTheFirstFrame)
{
    FirstFrame firstFrame(false);
    ShellHarness waiting;
    waiting.setFirstFrame(&firstFrame);
    waiting.answers().fullDiskAccess = true;
    ASSERT_TRUE(waiting.launch());
    const auto items = [&](int index) {
        QStringList texts;
        QQuickItem* title = waiting.menuBarItem(index);
        QObject* menu = title != nullptr ? title->property("menu").value<QObject*>() : nullptr;
        if (menu == nullptr)
            return QStringList{QStringLiteral("(no menu)")};
        const int count = menu->property("count").toInt();
        for (int i = 0; i < count; ++i) {
            QQuickItem* item = nullptr;
            QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem*, item), Q_ARG(int, i));
            texts << (item != nullptr ? item->property("text").toString() : QString());
        }
        return texts;
    };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(items(i), QStringList()) << "menu " << i << " before the first frame";
    EXPECT_EQ(waiting.windowProperty("aboutPanel").value<QObject*>(), nullptr);
    waiting.key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(waiting.app().navigator()->selectionId(), QStringLiteral("Cleanup"))
        << "the shortcuts work already";

    firstFrame.markShown();
    EXPECT_EQ(items(0),
              QStringList({QStringLiteral("About Quillmere"), QStringLiteral("Check for Updates\u2026"),
                           QString(), QStringLiteral("Quit Quillmere")}));
    EXPECT_EQ(items(1), QStringList({waiting.object("scanAction")->property("text").toString()}));
    QStringList modules;
    for (const QuillmereModule module : QuillmereModules::allCases)
        modules << QuillmereModules::title(module);
    EXPECT_EQ(items(2), modules);
    EXPECT_EQ(items(3),
              QStringList({QStringLiteral("Quillmere User Guide"), QStringLiteral("Quillmere Support")}));

    QObject* about = waiting.windowProperty("aboutPanel").value<QObject*>();
    ASSERT_NE(about, nullptr);
    QMetaObject::invokeMethod(waiting.object("aboutAction"), "trigger");
    EXPECT_TRUE(waitFor([&] { return about->property("opened").toBool(); }));
    waiting.quit();
}

// Escape closes each menu of the bar and leaves the bar as if no menu had been opened, also while the
// pointer still rests on the title: the title loses its highlight, hovering the next title opens
// nothing, and one click on the title opens the menu again.
TEST_F(ShellWindowTest, AMenuClosedWithEscapeOpensAgainWithOneClick)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    const QStringList titles{QStringLiteral("Quillmere"), QStringLiteral("File"), QStringLiteral("Go"),
                             QStringLiteral("Help")};
    for (int i = 0; i < titles.size(); ++i) {
        SCOPED_TRACE(titles[i].toStdString());
        QQuickItem* title = shell.menuBarItem(i);
        ASSERT_NE(title, nullptr);
        ASSERT_EQ(text(title->property("contentItem").value<QObject*>()), titles[i]);
        QObject* menu = title->property("menu").value<QObject*>();
        ASSERT_NE(menu, nullptr);
        const auto open = [&] { return menu->property("visible").toBool(); };

        shell.hover(title);
        shell.click(title);
        ASSERT_TRUE(waitFor(open)) << "a click opens the menu";
        EXPECT_TRUE(title->property("highlighted").toBool());

        shell.key(Qt::Key_Escape);
        ASSERT_TRUE(waitFor([&] { return !open(); })) << "Escape closes it";
        EXPECT_TRUE(title->property("hovered").toBool()) << "the pointer still rests on the title";
        EXPECT_FALSE(title->property("highlighted").toBool()) << "the title is not left highlighted";
        EXPECT_FALSE(shell.windowProperty("menuBar").value<QQuickItem*>()->hasActiveFocus());

        if (QQuickItem* next = shell.menuBarItem((i + 1) % titles.size())) {
            QObject* nextMenu = next->property("menu").value<QObject*>();
            shell.hover(next);
            QTest::qWait(50);
            EXPECT_FALSE(nextMenu->property("visible").toBool()) << "hovering another title opens nothing";
            shell.hover(title);
        }

        shell.click(title);
        EXPECT_TRUE(waitFor(open)) << "one click opens the menu again";
        EXPECT_TRUE(title->property("highlighted").toBool());
        shell.key(Qt::Key_Escape);
        ASSERT_TRUE(waitFor([&] { return !open(); }));
    }
}

// F10 opens the first menu, and Alt with a title's first letter opens that menu, as in the desktop's
// other applications, also while a text field has the focus, which does not take the letter.
TEST_F(ShellWindowTest, F10AndAltLettersOpenTheMenus)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    const auto menu = [&](int index) { return shell.menuBarItem(index)->property("menu").value<QObject*>(); };
    const auto closeAll = [&] {
        shell.key(Qt::Key_Escape);
        return waitFor([&] {
            for (int i = 0; i < 4; ++i) {
                if (menu(i)->property("visible").toBool())
                    return false;
            }
            return true;
        });
    };

    shell.key(Qt::Key_F10);
    EXPECT_TRUE(waitFor([&] { return menu(0)->property("visible").toBool(); })) << "F10 opens the first menu";
    ASSERT_TRUE(closeAll());

    shell.app().navigator()->select(QStringLiteral("Applications"));
    QQuickItem* field = nullptr;
    ASSERT_TRUE(
        waitFor([&] { return (field = shell.item("searchField")) != nullptr && field->isVisible(); }));
    auto* search = field->property("input").value<QQuickItem*>();
    ASSERT_NE(search, nullptr);
    const struct
    {
        Qt::Key key;
        int menu;
    } letters[] = {{Qt::Key_F, 1}, {Qt::Key_G, 2}, {Qt::Key_H, 3}, {Qt::Key_Q, 0}};
    for (const auto& letter : letters) {
        search->forceActiveFocus(Qt::TabFocusReason);
        ASSERT_TRUE(search->hasActiveFocus());
        shell.key(letter.key, Qt::AltModifier);
        const std::string name = QKeySequence(letter.key).toString().toStdString();
        EXPECT_TRUE(waitFor([&] { return menu(letter.menu)->property("visible").toBool(); }))
            << "Alt+" << name << " opens its menu";
        EXPECT_EQ(text(search), QString()) << "Alt+" << name << " typed into the search field";
        ASSERT_TRUE(closeAll());
    }
}

// The About panel closes with Escape; while it is open, the module and scan shortcuts do nothing to
// the screen behind it.
TEST_F(ShellWindowTest, TheAboutPanelClosesWithEscapeAndHoldsTheShortcutsBehindIt)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    ModuleModels* m = models();
    ASSERT_NE(m, nullptr);
    shell.key(Qt::Key_3, Qt::ControlModifier);
    ASSERT_EQ(selection(), QStringLiteral("Cleanup"));

    QObject* about = shell.windowProperty("aboutPanel").value<QObject*>();
    ASSERT_NE(about, nullptr);
    QMetaObject::invokeMethod(shell.object("aboutAction"), "trigger");
    ASSERT_TRUE(waitFor([&] { return about->property("opened").toBool(); }));

    for (Qt::Key key : {Qt::Key_1, Qt::Key_2, Qt::Key_4, Qt::Key_5, Qt::Key_6, Qt::Key_7, Qt::Key_8,
                        Qt::Key_9, Qt::Key_R}) {
        shell.key(key, Qt::ControlModifier);
        EXPECT_EQ(selection(), QStringLiteral("Cleanup"))
            << "Ctrl+" << QKeySequence(key).toString().toStdString();
    }
    EXPECT_EQ(m->cleanup()->generation(), 0) << "no scan starts behind the panel";
    EXPECT_FALSE(enabled(scanAction()));
    EXPECT_FALSE(enabled(goAction(QStringLiteral("Smart Scan"))));

    shell.key(Qt::Key_Escape);
    ASSERT_TRUE(waitFor([&] { return !about->property("visible").toBool(); })) << "Escape closes the panel";
    shell.key(Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(selection(), QStringLiteral("Smart Scan")) << "the shortcuts act again once it is closed";
    EXPECT_TRUE(enabled(scanAction()));
}

} // namespace
} // namespace qm::test
