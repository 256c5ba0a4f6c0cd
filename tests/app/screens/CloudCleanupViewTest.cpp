#include "CloudScreenHarness.h"
#include "core/model/Formatting.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/ThreadGate.h"

#include <QQuickItem>

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::CloudScreenHarness;

const QSize kPageSize(820, 700);

QString textOf(const QQuickItem* item)
{
    return item != nullptr ? item->property("text").toString() : QStringLiteral("<missing>");
}

// The row whose name reads `name`, or null.
QQuickItem* rowNamed(CloudScreenHarness& h, const QString& name)
{
    for (QQuickItem* row : h.findAll(QStringLiteral("cloudRow"))) {
        if (textOf(row->property("nameText").value<QQuickItem*>()) == name)
            return row;
    }
    return nullptr;
}

QQuickItem* barItem(CloudScreenHarness& h)
{
    auto* loader = qobject_cast<QQuickItem*>(h.pageObject("bottomBar"));
    return loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
}

TEST(CloudCleanupViewTest, WithoutACloudProviderThePageExplainsHowToSetOneUp)
{
    CloudScreenHarness h(false);
    ASSERT_TRUE(h.open(kPageSize)) << h.errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(h.settle([&] { return h.contentName() == QStringLiteral("unavailableState"); }));
    EXPECT_EQ(textOf(h.find(QStringLiteral("unavailableTitle"))), QStringLiteral("No cloud drive is set up"));
    EXPECT_EQ(
        textOf(h.find(QStringLiteral("unavailableMessage"))),
        QStringLiteral("This computer has no cloud drive that keeps online-only files. When one is set up, "
                       "you can manage its local storage here."));
    EXPECT_EQ(h.find(QStringLiteral("unavailableMedallion"))->property("symbol").toString(),
              QStringLiteral("icloud.slash"));
    EXPECT_EQ(h.find(QStringLiteral("rescanButton")), nullptr);
    EXPECT_EQ(barItem(h), nullptr);

    // The Scan command keeps it.
    h.model().scan();
    h.drain();
    EXPECT_EQ(h.contentName(), QStringLiteral("unavailableState"));
    EXPECT_TRUE(h.warnings().isEmpty()) << h.warnings().join(QLatin1Char('\n')).toStdString();
}

TEST(CloudCleanupViewTest, TheListSelectsOnlyLocalCopiesAndFreesThemAfterConfirmation)
{
    CloudScreenHarness h(true);
    const auto movie = h.uploaded("Movie.mov", 64'000);
    h.uploaded("<b>Bold &amp; <br>.txt", 20'000);
    h.drive()->makeDataless(h.uploaded("Archive.zip", 9'000));
    h.uploaded("Projects/a.bin", 12'000);
    ASSERT_TRUE(h.open(kPageSize)) << h.errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(h.settle([&] { return h.contentName() == QStringLiteral("resultsState"); }));
    h.wait(50);

    EXPECT_EQ(h.findAll(QStringLiteral("cloudRow")).size(), 4);
    EXPECT_EQ(textOf(h.find(QStringLiteral("summaryText"))), h.model().summaryText());
    ASSERT_NE(h.find(QStringLiteral("rescanButton")), nullptr);
    EXPECT_EQ(h.find(QStringLiteral("incompleteNote")), nullptr);

    // Names are plain text, never markup.
    QQuickItem* bold = rowNamed(h, QStringLiteral("<b>Bold &amp; <br>.txt"));
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(bold->property("nameText").value<QQuickItem*>()->property("textFormat").toInt(),
              int(Qt::PlainText));

    // A cloud-only row says so, has no bar and cannot be chosen.
    QQuickItem* archive = rowNamed(h, QStringLiteral("Archive.zip"));
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(textOf(archive->property("sizeText").value<QQuickItem*>()), QStringLiteral("In the cloud"));
    EXPECT_FALSE(archive->property("bar").value<QQuickItem*>()->isVisible());
    EXPECT_NE(h.find(QStringLiteral("cloudOnlySymbol"), archive), nullptr);
    h.click(archive);
    EXPECT_EQ(h.model().selectedCount(), 0);
    EXPECT_EQ(barItem(h), nullptr);

    // A row with a local copy is chosen by a tap anywhere on it.
    QQuickItem* movieRow = rowNamed(h, QStringLiteral("Movie.mov"));
    ASSERT_NE(movieRow, nullptr);
    const QString size = Formatting::byteCount(test::findRegularFilesAllocatedSize(movie));
    EXPECT_EQ(textOf(movieRow->property("sizeText").value<QQuickItem*>()), size);
    EXPECT_TRUE(movieRow->property("bar").value<QQuickItem*>()->isVisible());
    h.click(movieRow);
    ASSERT_EQ(h.model().selectedCount(), 1);
    EXPECT_TRUE(movieRow->property("isSelected").toBool());
    QQuickItem* bar = barItem(h);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->objectName(), QStringLiteral("selectionBar"));
    EXPECT_EQ(bar->property("title").toString(), size);
    EXPECT_EQ(bar->property("subtitle").toString(), QStringLiteral("1 selected to free locally"));

    h.click(h.find(QStringLiteral("freeButton")));
    QObject* dialog = h.pageObject("freeConfirm");
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
    EXPECT_EQ(dialog->property("title").toString(), QStringLiteral("Free 1 item locally?"));
    EXPECT_EQ(dialog->property("destructiveText").toString(),
              QStringLiteral("Free ") + size + QStringLiteral(" locally"));

    // Held in the eviction: the bar says so and Re-scan is gone.
    test::ThreadGate gate;
    h.drive()->onEvicted([&](const Path&) { gate.pass(); });
    gate.arm();
    h.click(dialog->property("destructiveButton").value<QQuickItem*>());
    ASSERT_TRUE(h.settle([&] { return gate.holding() && barItem(h) != nullptr; }));
    EXPECT_EQ(barItem(h)->objectName(), QStringLiteral("freeingBar"));
    EXPECT_EQ(barItem(h)->property("title").toString(), QStringLiteral("Freeing space\u2026"));
    EXPECT_EQ(h.find(QStringLiteral("rescanButton")), nullptr);
    gate.release();

    ASSERT_TRUE(h.settle([&] { return barItem(h) != nullptr && barItem(h)->objectName() == "freedBar"; }));
    EXPECT_EQ(barItem(h)->property("title").toString(),
              QStringLiteral("Freed ") + size + QStringLiteral(" locally"));
    EXPECT_EQ(barItem(h)->property("subtitle").toString(),
              QStringLiteral("Files stay in the cloud \u2014 open one to re-download"));
    EXPECT_TRUE(h.page()->property("showCelebration").toBool());
    EXPECT_EQ(textOf(rowNamed(h, QStringLiteral("Movie.mov"))->property("sizeText").value<QQuickItem*>()),
              QStringLiteral("In the cloud"));

    h.click(h.find(QStringLiteral("doneButton")));
    EXPECT_EQ(barItem(h), nullptr);
    EXPECT_TRUE(h.warnings().isEmpty()) << h.warnings().join(QLatin1Char('\n')).toStdString();
}

TEST(CloudCleanupViewTest, AFreeingThatFreedNothingShowsTheAlertAndNoCelebration)
{
    CloudScreenHarness h(true);
    h.drive()->refuseEviction(h.uploaded("Open.key", 40'000));
    ASSERT_TRUE(h.open(kPageSize));
    ASSERT_TRUE(h.settle([&] { return h.contentName() == QStringLiteral("resultsState"); }));
    h.wait(50);
    h.click(rowNamed(h, QStringLiteral("Open.key")));
    h.model().confirmFree();
    QObject* alert = h.pageObject("failureAlert")->property("popup").value<QObject*>();
    ASSERT_TRUE(h.settle([&] { return alert->property("opened").toBool(); }));
    EXPECT_TRUE(alert->property("message").toString().startsWith(
        QStringLiteral("Those files couldn't be made online-only right now")));
    EXPECT_FALSE(h.page()->property("showCelebration").toBool());
    EXPECT_EQ(barItem(h), nullptr);
    h.click(h.pageObject("failureAlert")->property("okButton").value<QQuickItem*>());
    ASSERT_TRUE(h.settle([&] { return !alert->property("opened").toBool(); }));
    EXPECT_EQ(h.model().failureNote(), QString());
}

TEST(CloudCleanupViewTest, AnEmptyDriveSaysSo)
{
    CloudScreenHarness h(true);
    h.tree().folder("iCloud");
    h.tree().file("iCloud/.hidden", 4'000);
    ASSERT_TRUE(h.open(kPageSize));
    ASSERT_TRUE(h.settle([&] { return h.contentName() == QStringLiteral("emptyState"); }));
    EXPECT_EQ(textOf(h.find(QStringLiteral("emptyTitle"))), QStringLiteral("Your cloud drive is empty here"));
    EXPECT_NE(h.find(QStringLiteral("rescanButton")), nullptr);
}

TEST(CloudCleanupViewTest, AFolderReadOnlyInPartNotesThatSizesMayBeShort)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    CloudScreenHarness h(true);
    h.uploaded("Shared/readable.txt", 8'000);
    h.uploaded("Shared/Private/secret.txt", 8'000);
    h.tree().chmod(h.root() / "Shared/Private", 0700);
    ASSERT_TRUE(h.open(kPageSize));
    ASSERT_TRUE(h.settle([&] { return h.contentName() == QStringLiteral("resultsState"); }));
    EXPECT_EQ(h.find(QStringLiteral("incompleteNote")), nullptr) << "root reads everything";
    {
        test::DroppedPrivileges dropped;
        h.model().scan();
        ASSERT_TRUE(h.settle([&] { return h.contentName() == QStringLiteral("resultsState"); }));
        h.drain();
    }
    QQuickItem* note = h.find(QStringLiteral("incompleteNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(
        note->property("message").toString(),
        QStringLiteral("Some folders couldn't be fully read, so a few sizes below may be understated. Check "
                       "those folders' permissions for exact figures."));
}

} // namespace
} // namespace qm
