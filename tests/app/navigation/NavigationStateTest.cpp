#include "app/navigation/FocusedValues.h"
#include "app/navigation/Navigator.h"
#include "app/navigation/ScanCommand.h"

#include <QJSEngine>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(NavigatorTest, StartsOnSmartScanAndAcceptsOnlyModuleIds)
{
    Navigator navigator;
    QSignalSpy changed(&navigator, &Navigator::selectionChanged);
    EXPECT_EQ(navigator.selection(), QuillmereModule::smartScan);
    EXPECT_EQ(navigator.property("selection").toString(), QStringLiteral("Smart Scan"));

    EXPECT_TRUE(navigator.select(QStringLiteral("Cloud Cleanup")));
    EXPECT_EQ(navigator.selection(), QuillmereModule::cloud);
    EXPECT_EQ(changed.count(), 1);

    EXPECT_FALSE(navigator.select(QStringLiteral("cloud")));
    EXPECT_TRUE(navigator.setProperty("selection", QStringLiteral("Disk ")));
    EXPECT_EQ(navigator.selection(), QuillmereModule::cloud);
    EXPECT_EQ(changed.count(), 1);

    navigator.setSelection(QuillmereModule::cloud);
    EXPECT_EQ(changed.count(), 1) << "selecting the selected module is no change";

    EXPECT_TRUE(navigator.setProperty("selection", QStringLiteral("Space Lens")));
    EXPECT_EQ(navigator.selection(), QuillmereModule::spaceLens);
    EXPECT_EQ(changed.count(), 2);
}

TEST(ScanCommandTest, EqualityIsTheTargetAlone)
{
    int first = 0;
    int second = 0;
    const ScanCommand a{QStringLiteral("Cleanup"), [&first] { ++first; }};
    const ScanCommand b{QStringLiteral("Cleanup"), [&second] { ++second; }};
    const ScanCommand c{QStringLiteral("Cleanup"), {}};
    const ScanCommand d{QStringLiteral("Files"), [&first] { ++first; }};
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a == c);
    EXPECT_FALSE(a == d);
    const ScanCommand lowerCase{QStringLiteral("cleanup"), {}};
    EXPECT_FALSE(a == lowerCase);
    EXPECT_EQ(first + second, 0) << "comparing runs nothing";
}

TEST(FocusedValuesTest, RepublishingTheSameTargetIsNoChangeButRunsTheNewAction)
{
    FocusedValues values;
    QSignalSpy changed(&values, &FocusedValues::scanCommandChanged);
    EXPECT_FALSE(values.hasScanCommand());
    EXPECT_FALSE(values.runScanCommand());

    int oldRuns = 0;
    int newRuns = 0;
    values.setScanCommand(ScanCommand{QStringLiteral("Cleanup"), [&oldRuns] { ++oldRuns; }});
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(values.scanTarget(), QStringLiteral("Cleanup"));

    values.setScanCommand(ScanCommand{QStringLiteral("Cleanup"), [&newRuns] { ++newRuns; }});
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(values.runScanCommand());
    EXPECT_EQ(oldRuns, 0);
    EXPECT_EQ(newRuns, 1);

    values.setScanCommand(ScanCommand{QStringLiteral("Files"), {}});
    EXPECT_EQ(changed.count(), 2);
    EXPECT_TRUE(values.runScanCommand()) << "a command without an action still counts as present";

    values.clearScanCommand();
    EXPECT_EQ(changed.count(), 3);
    EXPECT_FALSE(values.hasScanCommand());
    EXPECT_EQ(values.scanTarget(), QString());
    EXPECT_FALSE(values.runScanCommand());
}

TEST(FocusedValuesTest, AnActionMayReplaceItsOwnCommandWhileRunning)
{
    FocusedValues values;
    int runs = 0;
    values.setScanCommand(ScanCommand{QStringLiteral("Cleanup"), [&] {
                                          ++runs;
                                          values.clearScanCommand();
                                      }});
    EXPECT_TRUE(values.runScanCommand());
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(values.hasScanCommand());
}

TEST(FocusedValuesTest, ScriptCommandsMustBeFunctions)
{
    QJSEngine engine;
    FocusedValues values;
    engine.globalObject().setProperty(QStringLiteral("runs"), 0);
    const QJSValue action = engine.evaluate(QStringLiteral("(function () { runs = runs + 1 })"));
    ASSERT_TRUE(action.isCallable());

    EXPECT_FALSE(values.publishScanCommand(QStringLiteral("Cleanup"), QJSValue(42)));
    EXPECT_FALSE(values.hasScanCommand());

    EXPECT_TRUE(values.publishScanCommand(QStringLiteral("Cleanup"), action));
    EXPECT_FALSE(values.publishScanCommand(QStringLiteral("Files"), QJSValue(QStringLiteral("scan"))));
    EXPECT_EQ(values.scanTarget(), QStringLiteral("Cleanup"));
    EXPECT_TRUE(values.runScanCommand());
    EXPECT_EQ(engine.globalObject().property(QStringLiteral("runs")).toInt(), 1);
}

TEST(FocusedValuesTest, ModuleCommandsNeedModuleUIVisiblePresentAndTrue)
{
    FocusedValues values;
    QSignalSpy changed(&values, &FocusedValues::moduleUIVisibleChanged);
    EXPECT_EQ(values.moduleUIVisible(), std::nullopt);
    EXPECT_FALSE(values.property("moduleUIVisible").isValid()) << "absent reads as undefined";
    EXPECT_FALSE(values.moduleCommandsEnabled());

    values.setModuleUIVisible(false);
    EXPECT_FALSE(values.moduleCommandsEnabled());
    EXPECT_EQ(changed.count(), 1);

    EXPECT_TRUE(values.setProperty("moduleUIVisible", true));
    EXPECT_TRUE(values.moduleCommandsEnabled());
    EXPECT_EQ(values.property("moduleUIVisible"), QVariant(true));
    EXPECT_EQ(changed.count(), 2);

    values.setModuleUIVisible(true);
    EXPECT_EQ(changed.count(), 2);

    EXPECT_TRUE(values.setProperty("moduleUIVisible", QVariant()));
    EXPECT_EQ(values.moduleUIVisible(), std::nullopt);
    EXPECT_FALSE(values.moduleCommandsEnabled());
    EXPECT_EQ(changed.count(), 3);
}

} // namespace
} // namespace qm
