#include "CleanupScreenHarness.h"
#include "core/model/Formatting.h"
#include "platform/Workspace.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"

#include <QColor>
#include <QDateTime>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlProperty>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>

// Shows texts as text in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Phase = CleanupViewModel::Phase;

QString prop(const QObject* object, const char* name = "text")
{
    return object != nullptr ? object->property(name).toString() : QStringLiteral("<missing>");
}

QColor colour(const QObject* object, const char* name = "color")
{
    return object != nullptr ? object->property(name).value<QColor>() : QColor();
}

QObject* child(const QObject* object, const char* property)
{
    return object != nullptr ? object->property(property).value<QObject*>() : nullptr;
}

bool visible(const QObject* object)
{
    const auto* item = qobject_cast<const QQuickItem*>(object);
    return item != nullptr && item->isVisible();
}

// Whether `actual` is `expected` to within one step of 8 bits in every component.
bool sameColour(const QColor& actual, const QColor& expected)
{
    const auto close = [](float a, float b) { return std::abs(a - b) <= 1.0f / 255; };
    return actual.isValid() && close(actual.redF(), expected.redF()) &&
           close(actual.greenF(), expected.greenF()) && close(actual.blueF(), expected.blueF()) &&
           close(actual.alphaF(), expected.alphaF());
}

QColor rgba(int r, int g, int b, double a = 1)
{
    return QColor::fromRgbF(float(r / 255.0), float(g / 255.0), float(b / 255.0), float(a));
}

const QColor kSecondary = QColor::fromRgbF(1, 1, 1, 0.64f);
const QColor kTertiary = QColor::fromRgbF(1, 1, 1, 0.42f);
const QColor kPrimary = QColor::fromRgbF(1, 1, 1, 0.96f);
const QColor kOrange = rgba(255, 159, 10);
const QColor kRed = rgba(255, 69, 58);

// The page over a fixture home. Names that a markup or format-string reading would change stand among
// the junk: "<b>x&lt;" among the caches and "%2 %1.log" among the logs.
class CleanupViewTest : public ::testing::Test
{
protected:
    ~CleanupViewTest() override
    {
        // Anything QML could not evaluate fails the test that caused it.
        EXPECT_TRUE(h.warnings().isEmpty()) << h.warnings().join(QLatin1Char('\n')).toStdString();
    }

    // Caches (preselected): big.bin and "<b>x&lt;"; logs (preselected): "%2 %1.log"; developer caches
    // (not preselected): npm's index-v5. Sizes far apart, so the largest-first order is certain.
    void buildJunk()
    {
        big = h.home().file(".cache/big.bin", 90'000);
        markup = h.home().file(".cache/<b>x&lt;", 30'000);
        log = h.home().file(".npm/_logs/%2 %1.log", 9'000);
        // Days apart from now, so the words do not depend on how long the test takes.
        const QDateTime now = QDateTime::currentDateTimeUtc();
        h.home().setMtime(markup, now.addDays(-3).addSecs(-3600));
        h.home().setMtime(log, now.addDays(-1).addSecs(-3600));
        npm = h.home().file(".npm/_cacache/index-v5/entry", 20'000).parent_path();
    }

    void open() { ASSERT_TRUE(h.open(QSize(820, 1500))) << h.errors().join(QLatin1Char('\n')).toStdString(); }

    QQuickItem* find(const QString& name, const QQuickItem* under = nullptr) const
    {
        return h.find(name, under);
    }
    QString text(const QString& name) const { return prop(find(name)); }
    QString contentName() const
    {
        auto* loader = qobject_cast<QQuickItem*>(h.pageObject("content"));
        auto* item = loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
        return item != nullptr ? item->objectName() : QString();
    }
    QString barName() const
    {
        auto* loader = qobject_cast<QQuickItem*>(h.pageObject("bottomBar"));
        auto* item = loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
        return item != nullptr ? item->objectName() : QStringLiteral("none");
    }
    QObject* card() const { return h.pageObject("trashCard"); }
    QQuickItem* section(const QString& kind) const { return find(QStringLiteral("section:") + kind); }
    // The shown row of `name` in the section `kind`, or null.
    QQuickItem* row(const QString& kind, const QString& name) const
    {
        QQuickItem* s = section(kind);
        const int count = s != nullptr ? s->property("rowCount").toInt() : 0;
        for (int i = 0; i < count; ++i) {
            QVariant result;
            QMetaObject::invokeMethod(s, "rowAt", Q_RETURN_ARG(QVariant, result), Q_ARG(QVariant, i));
            auto* each = result.value<QQuickItem*>();
            if (each != nullptr && prop(child(each, "nameText")) == name)
                return each;
        }
        return nullptr;
    }
    void expand(const QString& kind)
    {
        QQuickItem* s = section(kind);
        ASSERT_NE(s, nullptr) << kind.toStdString();
        if (!s->property("expanded").toBool())
            h.click(qobject_cast<QQuickItem*>(child(s, "header")));
        ASSERT_TRUE(s->property("expanded").toBool()) << kind.toStdString();
    }
    void scanToResults()
    {
        h.model().scan(false);
        ASSERT_TRUE(h.settle([&] { return h.model().phase() == Phase::results; })) << "the scan never ended";
        ASSERT_TRUE(h.settle([&] { return contentName() != QStringLiteral("scanningState"); }));
    }
    // Presses the clean button, checks the confirmation and confirms it.
    void cleanThroughTheConfirmation()
    {
        h.click(find(QStringLiteral("cleanButton")));
        QObject* dialog = h.pageObject("cleanConfirm");
        ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
        h.click(qobject_cast<QQuickItem*>(child(dialog, "destructiveButton")));
    }
    QString trashSubtitle() const { return prop(child(card(), "subtitleText")); }

    test::CleanupScreenHarness h;
    fs::path big, markup, log, npm;
};

TEST_F(CleanupViewTest, FirstVisitShowsTheIdleStateAndMeasuresTheTrash)
{
    open();
    EXPECT_EQ(prop(h.pageObject("header"), "title"), QStringLiteral("Cleanup"));
    EXPECT_EQ(
        prop(h.pageObject("header"), "subtitle"),
        QStringLiteral("Remove system junk \u2014 caches, logs, build caches, and files left behind by apps "
                       "you removed."));
    EXPECT_EQ(prop(find(QStringLiteral("trashFirstBadge"))),
              QStringLiteral("Trash-first \u00b7 everything is reversible"));

    EXPECT_EQ(contentName(), QStringLiteral("idleState"));
    EXPECT_EQ(text(QStringLiteral("idleTitle")), QStringLiteral("Scan for junk"));
    EXPECT_EQ(text(QStringLiteral("idleScanButton")), QStringLiteral("Scan for junk"));
    EXPECT_EQ(prop(find(QStringLiteral("idleScanButton")), "symbol"), QStringLiteral("magnifyingglass"));
    EXPECT_FALSE(visible(child(h.pageObject("header"), "trailingItem"))) << "no header button before a scan";
    EXPECT_EQ(find(QStringLiteral("headerScanButton")), nullptr);
    EXPECT_EQ(barName(), QStringLiteral("none"));
    EXPECT_EQ(qobject_cast<QQuickItem*>(h.pageObject("bottomBar"))->height(), 0);

    // The page measured the Trash when it appeared: it is missing, so empty and readable.
    ASSERT_TRUE(h.settle([&] {
        return trashSubtitle() == QStringLiteral("Empty \u2014 nothing to reclaim");
    })) << trashSubtitle().toStdString();
    EXPECT_EQ(prop(child(card(), "titleText")), QStringLiteral("Trash"));
    EXPECT_EQ(prop(child(card(), "iconItem"), "name"), QStringLiteral("trash.fill"));
    EXPECT_TRUE(sameColour(colour(child(card(), "iconItem")), kSecondary));
    QObject* emptyButton = child(card(), "emptyTrashButton");
    EXPECT_TRUE(visible(emptyButton));
    EXPECT_FALSE(emptyButton->property("enabled").toBool());
    EXPECT_DOUBLE_EQ(emptyButton->property("fillOpacity").toDouble(), 0.28);
    EXPECT_EQ(prop(child(card(), "emptyTrashTip")),
              QStringLiteral("Permanently delete everything in the Trash to reclaim disk space"));

    // The idle button starts the scan.
    h.click(find(QStringLiteral("idleScanButton")));
    EXPECT_EQ(h.model().generation(), 1);
    ASSERT_TRUE(h.settle([&] { return h.model().phase() == Phase::results; }));
}

TEST_F(CleanupViewTest, AScanShowsItsProgressThenSectionsWithNamesAsPlainText)
{
    buildJunk();
    open();
    h.scanGate().arm(FsStep::List);
    h.click(find(QStringLiteral("idleScanButton")));
    ASSERT_TRUE(h.settle([&] { return h.scanGate().holding(); }));
    ASSERT_TRUE(h.settle([&] { return contentName() == QStringLiteral("scanningState"); }));
    EXPECT_EQ(text(QStringLiteral("progressLabel")), h.model().progressLabel());
    EXPECT_TRUE(text(QStringLiteral("progressLabel")).endsWith(QChar(0x2026)));
    EXPECT_TRUE(visible(find(QStringLiteral("cancelScanButton"))));
    EXPECT_EQ(text(QStringLiteral("cancelScanButton")), QStringLiteral("Cancel"));
    QQuickItem* scanButton = find(QStringLiteral("headerScanButton"));
    ASSERT_NE(scanButton, nullptr) << "the header button shows once a scan has started";
    EXPECT_FALSE(scanButton->isEnabled());
    EXPECT_TRUE(visible(find(QStringLiteral("headerSpinner"), scanButton)));
    EXPECT_EQ(barName(), QStringLiteral("none"));
    h.scanGate().release();
    ASSERT_TRUE(h.settle([&] { return contentName() == QStringLiteral("resultsState"); }));
    EXPECT_TRUE(scanButton->isEnabled());
    EXPECT_FALSE(visible(find(QStringLiteral("headerSpinner"), scanButton)));
    EXPECT_EQ(prop(scanButton), QStringLiteral("Scan"));

    const qint64 bigBytes = test::findAllocatedSize(big);
    const qint64 markupBytes = test::findAllocatedSize(markup);
    const qint64 logBytes = test::findAllocatedSize(log);
    const qint64 npmBytes = test::findAllocatedSize(npm);
    EXPECT_EQ(text(QStringLiteral("foundText")),
              Formatting::byteCount(bigBytes + markupBytes + logBytes + npmBytes) + QStringLiteral(" found"));
    EXPECT_EQ(text(QStringLiteral("selectAllButton")), QStringLiteral("Select all"));
    EXPECT_EQ(text(QStringLiteral("deselectAllButton")), QStringLiteral("Deselect all"));

    // One section per category, in the model's order, each summing itself up.
    struct Expected
    {
        QString kind, title, summary, size, checkbox, icon;
        QColor sizeColour;
    };
    const std::vector<Expected> sections{
        {"userCaches", "User Caches", "2 items", Formatting::byteCount(bigBytes + markupBytes),
         "checkmark.square.fill", "internaldrive", kPrimary},
        {"logs", "Application Logs", "1 item", Formatting::byteCount(logBytes), "checkmark.square.fill",
         "doc.text", kPrimary},
        {"developerCaches", "Developer Caches", "0 of 1 item selected", Formatting::byteCount(npmBytes),
         "square", "hammer", kTertiary},
    };
    auto* repeater = child(find(QStringLiteral("resultsState")), "sections");
    ASSERT_NE(repeater, nullptr);
    EXPECT_EQ(repeater->property("count").toInt(), 3);
    for (const Expected& e : sections) {
        QQuickItem* s = section(e.kind);
        ASSERT_NE(s, nullptr) << e.kind.toStdString();
        EXPECT_EQ(prop(child(s, "titleText")), e.title) << e.kind.toStdString();
        EXPECT_EQ(prop(child(s, "summaryText")), e.summary) << e.kind.toStdString();
        EXPECT_EQ(prop(child(s, "sizeText")), e.size) << e.kind.toStdString();
        EXPECT_TRUE(sameColour(colour(child(s, "sizeText")), e.sizeColour)) << e.kind.toStdString();
        EXPECT_EQ(prop(s, "checkboxSymbol"), e.checkbox) << e.kind.toStdString();
        EXPECT_EQ(prop(child(s, "iconItem"), "name"), e.icon) << e.kind.toStdString();
        EXPECT_FALSE(visible(child(s, "warningItem"))) << e.kind.toStdString();
        EXPECT_FALSE(s->property("expanded").toBool()) << "sections start collapsed";
        EXPECT_EQ(s->property("rowCount").toInt(), 0);
    }
    EXPECT_EQ(prop(child(section(QStringLiteral("logs")), "headerTip")),
              QStringLiteral("Diagnostic logs written by apps. Safe to remove; not needed for normal use."));

    // Names and sizes of the rows, with markup and format characters shown as they are.
    expand(QStringLiteral("userCaches"));
    expand(QStringLiteral("logs"));
    QQuickItem* caches = section(QStringLiteral("userCaches"));
    ASSERT_EQ(caches->property("rowCount").toInt(), 2);
    QQuickItem* markupRow = row(QStringLiteral("userCaches"), QStringLiteral("<b>x&lt;"));
    QQuickItem* logRow = row(QStringLiteral("logs"), QStringLiteral("npm \u00B7 %2 %1.log"));
    ASSERT_NE(markupRow, nullptr);
    ASSERT_NE(logRow, nullptr);
    for (QQuickItem* each : {markupRow, logRow}) {
        EXPECT_EQ(child(each, "nameText")->property("textFormat").toInt(), int(Qt::PlainText));
        EXPECT_EQ(child(each, "dateText")->property("textFormat").toInt(), int(Qt::PlainText));
        EXPECT_TRUE(visible(child(each, "dateText"))) << "a found item has its modification date";
    }
    EXPECT_EQ(prop(child(markupRow, "dateText")), QStringLiteral("3 days ago"));
    EXPECT_EQ(prop(child(logRow, "dateText")), QStringLiteral("yesterday"));
    EXPECT_EQ(prop(child(markupRow, "sizeLabel")), Formatting::byteCount(markupBytes));
    EXPECT_EQ(prop(child(markupRow, "checkbox"), "name"), QStringLiteral("checkmark.circle.fill"));
    QVariant firstDivider, lastDivider;
    QMetaObject::invokeMethod(caches, "dividerAt", Q_RETURN_ARG(QVariant, firstDivider), Q_ARG(QVariant, 0));
    QMetaObject::invokeMethod(caches, "dividerAt", Q_RETURN_ARG(QVariant, lastDivider), Q_ARG(QVariant, 1));
    EXPECT_TRUE(visible(firstDivider.value<QObject*>())) << "rows are separated";
    EXPECT_FALSE(visible(lastDivider.value<QObject*>())) << "nothing follows the last row";

    // A row click flips that item; the section keeps its expansion through the model's new list.
    h.click(markupRow);
    EXPECT_EQ(prop(child(caches, "summaryText")), QStringLiteral("1 of 2 items selected"));
    EXPECT_EQ(prop(caches, "checkboxSymbol"), QStringLiteral("minus.square.fill"));
    EXPECT_EQ(prop(child(caches, "sizeText")), Formatting::byteCount(bigBytes));
    EXPECT_TRUE(caches->property("expanded").toBool());
    EXPECT_EQ(section(QStringLiteral("userCaches")), caches) << "the same section, not a new one";
    markupRow = row(QStringLiteral("userCaches"), QStringLiteral("<b>x&lt;"));
    ASSERT_NE(markupRow, nullptr);
    EXPECT_EQ(prop(child(markupRow, "checkbox"), "name"), QStringLiteral("circle"));

    // The checkbox selects a partly selected category whole, then deselects it, and never folds it.
    QQuickItem* checkbox = qobject_cast<QQuickItem*>(child(caches, "checkbox"));
    h.click(checkbox);
    EXPECT_EQ(prop(caches, "checkboxSymbol"), QStringLiteral("checkmark.square.fill"));
    EXPECT_EQ(prop(child(caches, "summaryText")), QStringLiteral("2 items"));
    h.click(checkbox);
    EXPECT_EQ(prop(caches, "checkboxSymbol"), QStringLiteral("square"));
    EXPECT_EQ(prop(child(caches, "summaryText")), QStringLiteral("0 of 2 items selected"));
    EXPECT_EQ(prop(child(caches, "sizeText")), Formatting::byteCount(bigBytes + markupBytes));
    EXPECT_TRUE(sameColour(colour(child(caches, "sizeText")), kTertiary));
    EXPECT_TRUE(caches->property("expanded").toBool());

    // The header folds it again.
    h.click(qobject_cast<QQuickItem*>(child(caches, "header")));
    EXPECT_FALSE(caches->property("expanded").toBool());
    EXPECT_EQ(caches->property("rowCount").toInt(), 0);
}

TEST_F(CleanupViewTest, TheSelectionBarAndTheConfirmationCountInWords)
{
    buildJunk();
    open();
    scanToResults();
    EXPECT_EQ(barName(), QStringLiteral("selectionBar")) << "caches and logs come preselected";

    h.click(find(QStringLiteral("deselectAllButton")));
    EXPECT_EQ(h.model().selectedCount(), 0);
    EXPECT_EQ(barName(), QStringLiteral("none")) << "nothing selected, no undo offer";
    EXPECT_EQ(h.model().phase(), Phase::results);

    expand(QStringLiteral("userCaches"));
    expand(QStringLiteral("developerCaches"));
    struct Step
    {
        QString kind, name;
        qint64 bytes;
        QString count, title;
    };
    const qint64 markupBytes = test::findAllocatedSize(markup);
    const qint64 npmBytes = test::findAllocatedSize(npm);
    const std::vector<Step> steps{
        {"userCaches", "<b>x&lt;", markupBytes, "1 item selected", "Move 1 item to the Trash?"},
        {"developerCaches", "npm \u00b7 index-v5", markupBytes + npmBytes, "2 items selected",
         "Move 2 items to the Trash?"},
    };
    QObject* dialog = h.pageObject("cleanConfirm");
    for (const Step& step : steps) {
        h.click(row(step.kind, step.name));
        ASSERT_EQ(barName(), QStringLiteral("selectionBar")) << step.count.toStdString();
        const QString size = Formatting::byteCount(step.bytes);
        EXPECT_EQ(text(QStringLiteral("selectedSizeText")), size);
        EXPECT_EQ(text(QStringLiteral("selectedCountText")), step.count);
        EXPECT_EQ(text(QStringLiteral("cleanButton")), QStringLiteral("Clean ") + size);
        EXPECT_EQ(prop(find(QStringLiteral("cleanButton")), "symbol"), QStringLiteral("trash"));
        QQuickItem* cleanButton = find(QStringLiteral("cleanButton"));
        EXPECT_DOUBLE_EQ(cleanButton->mapToScene(QPointF(cleanButton->width(), 0)).x(),
                         h.page()->width() - 24)
            << "the button sits at the trailing end of the bar";

        h.click(find(QStringLiteral("cleanButton")));
        ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }))
            << step.count.toStdString();
        EXPECT_TRUE(h.model().showConfirm());
        EXPECT_EQ(prop(dialog, "title"), step.title);
        EXPECT_EQ(prop(child(dialog, "titleText")), step.title);
        EXPECT_EQ(prop(child(dialog, "destructiveButton")),
                  QStringLiteral("Move ") + size + QStringLiteral(" to Trash"));
        EXPECT_EQ(prop(child(dialog, "cancelButton")), QStringLiteral("Cancel"));
        EXPECT_EQ(
            prop(child(dialog, "messageText")),
            QStringLiteral("Items go to the Trash and can be restored. Nothing is permanently deleted."));
        auto* buttons = qobject_cast<QQuickItem*>(child(dialog, "buttonColumn"));
        ASSERT_NE(buttons, nullptr);
        EXPECT_LT(qobject_cast<QQuickItem*>(child(dialog, "destructiveButton"))->y(),
                  qobject_cast<QQuickItem*>(child(dialog, "cancelButton"))->y())
            << "the destructive button comes first";
        h.click(qobject_cast<QQuickItem*>(child(dialog, "cancelButton")));
        ASSERT_TRUE(h.settle([&] { return !dialog->property("opened").toBool(); }));
        EXPECT_FALSE(h.model().showConfirm()) << "closing the dialog clears the flag";
        EXPECT_EQ(h.model().phase(), Phase::results) << "Cancel cleans nothing";
    }
    EXPECT_TRUE(fs::exists(markup));

    h.click(find(QStringLiteral("selectAllButton")));
    EXPECT_EQ(text(QStringLiteral("selectedCountText")), QStringLiteral("4 items selected"));
}

TEST_F(CleanupViewTest, ACleanOffersUndoUntilASelectionReplacesItAndTheOfferEnds)
{
    buildJunk();
    const fs::path earlier = h.home().file(h.trashFiles() / "earlier.bin", 5'000);
    open();
    ASSERT_TRUE(h.settle([&] { return h.model().trashCount() == 1; }));
    scanToResults();
    QObject* emptyButton = child(card(), "emptyTrashButton");
    EXPECT_TRUE(emptyButton->property("enabled").toBool());

    h.click(find(QStringLiteral("deselectAllButton")));
    expand(QStringLiteral("userCaches"));
    h.click(row(QStringLiteral("userCaches"), QStringLiteral("big.bin")));
    const qint64 bigBytes = test::findAllocatedSize(big);

    // Held in the middle of the move: the cleaning bar, with the scan and Empty Trash buttons off.
    h.trashGate().arm(FsStep::Move);
    cleanThroughTheConfirmation();
    ASSERT_TRUE(h.settle([&] { return h.trashGate().holding(); }));
    ASSERT_TRUE(h.settle([&] { return barName() == QStringLiteral("cleaningBar"); }));
    EXPECT_EQ(text(QStringLiteral("cleaningText")), QStringLiteral("Moving items to Trash\u2026"));
    EXPECT_EQ(contentName(), QStringLiteral("resultsState")) << "the results stay under the cleaning bar";
    EXPECT_FALSE(find(QStringLiteral("headerScanButton"))->isEnabled());
    EXPECT_FALSE(emptyButton->property("enabled").toBool());
    EXPECT_FALSE(h.pageObject("celebration")->property("active").toBool());
    h.trashGate().release();

    ASSERT_TRUE(h.settle([&] { return barName() == QStringLiteral("undoBar"); }));
    EXPECT_EQ(text(QStringLiteral("undoText")), QStringLiteral("Freed ") + Formatting::byteCount(bigBytes) +
                                                    QStringLiteral(" \u2014 1 item in Trash"));
    EXPECT_EQ(text(QStringLiteral("undoButton")), QStringLiteral("Undo"));
    QQuickItem* dismiss = find(QStringLiteral("dismissUndoButton"));
    EXPECT_EQ(QQmlProperty(dismiss, QStringLiteral("Accessible.name"), qmlContext(dismiss)).read().toString(),
              QStringLiteral("Dismiss"));
    EXPECT_TRUE(h.pageObject("celebration")->property("active").toBool()) << "the clean is celebrated";
    EXPECT_EQ(h.model().cleanCompletions(), 1);
    EXPECT_FALSE(fs::exists(big));
    EXPECT_TRUE(emptyButton->property("enabled").toBool());

    // A selection takes the bar; clearing it brings the offer back while it lasts.
    h.click(row(QStringLiteral("userCaches"), QStringLiteral("<b>x&lt;")));
    EXPECT_EQ(barName(), QStringLiteral("selectionBar"));
    EXPECT_TRUE(h.model().hasUndoOffer());
    h.click(find(QStringLiteral("deselectAllButton")));
    EXPECT_EQ(barName(), QStringLiteral("undoBar"));

    h.clock().advance(15s);
    EXPECT_EQ(barName(), QStringLiteral("none")) << "the offer ends 15 s after the clean";
    EXPECT_TRUE(fs::exists(earlier));
}

TEST_F(CleanupViewTest, CleaningEverythingThenUndoRescansWithoutACancelButton)
{
    buildJunk();
    open();
    scanToResults();
    h.click(find(QStringLiteral("selectAllButton")));
    cleanThroughTheConfirmation();
    ASSERT_TRUE(h.settle([&] { return contentName() == QStringLiteral("cleanedAllState"); }));
    QQuickItem* done = find(QStringLiteral("cleanedAllState"));
    EXPECT_EQ(prop(child(done, "titleText")), QStringLiteral("All clean"));
    EXPECT_EQ(
        prop(child(done, "messageText")),
        QStringLiteral("Everything you selected was moved to the Trash. Use Undo below to restore it."));
    EXPECT_EQ(prop(done, "icon"), QStringLiteral("checkmark.seal.fill"));
    EXPECT_EQ(text(QStringLiteral("scanAgainButton")), QStringLiteral("Scan again"));
    ASSERT_EQ(barName(), QStringLiteral("undoBar"));
    EXPECT_TRUE(text(QStringLiteral("undoText")).endsWith(QStringLiteral(" \u2014 4 items in Trash")));

    // The restore is followed by a scan the page cannot cancel.
    h.scanGate().arm(FsStep::List);
    h.click(find(QStringLiteral("undoButton")));
    ASSERT_TRUE(h.settle([&] { return h.scanGate().holding(); }));
    ASSERT_TRUE(h.settle([&] { return contentName() == QStringLiteral("scanningState"); }));
    EXPECT_TRUE(h.model().isPostUndoRescan());
    EXPECT_EQ(find(QStringLiteral("cancelScanButton")), nullptr) << "no Cancel during the automatic rescan";
    EXPECT_TRUE(visible(find(QStringLiteral("headerSpinner"))));
    EXPECT_EQ(barName(), QStringLiteral("none"));
    h.scanGate().release();
    ASSERT_TRUE(h.settle([&] { return contentName() == QStringLiteral("resultsState"); }));
    for (const fs::path& back : {big, markup, log, npm})
        EXPECT_TRUE(fs::exists(back)) << back;

    // A scan the user starts can be cancelled again.
    h.scanGate().arm(FsStep::List);
    h.click(find(QStringLiteral("headerScanButton")));
    ASSERT_TRUE(h.settle([&] { return h.scanGate().holding(); }));
    ASSERT_TRUE(h.settle([&] { return visible(find(QStringLiteral("cancelScanButton"))); }));
    h.click(find(QStringLiteral("cancelScanButton")));
    EXPECT_EQ(contentName(), QStringLiteral("resultsState")) << "cancelled with categories on screen";
    h.scanGate().release();
}

// A rescan's bar starts empty: it does not run back from the last scan's full bar.
TEST_F(CleanupViewTest, ARescanStartsItsBarAtZeroWithoutRunningBack)
{
    buildJunk();
    open();
    scanToResults();
    ASSERT_EQ(h.model().progress(), 1.0);

    h.scanGate().arm(FsStep::List);
    h.click(find(QStringLiteral("headerScanButton")));
    ASSERT_TRUE(h.settle([&] { return contentName() == QStringLiteral("scanningState"); }));
    QQuickItem* bar = find(QStringLiteral("scanProgress"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->property("shownProgress").toDouble(), 0.0) << "the bar starts at 0";
    EXPECT_EQ(bar->property("shownFillWidth").toDouble(), 0.0);
    ASSERT_TRUE(h.settle([&] { return h.scanGate().holding(); }));
    h.wait(100);
    EXPECT_EQ(bar->property("shownProgress").toDouble(), h.model().progress())
        << "and stays where the scan is";
    h.scanGate().release();
    ASSERT_TRUE(h.settle([&] { return contentName() == QStringLiteral("resultsState"); }));
}

TEST_F(CleanupViewTest, NothingFoundShowsTheEmptyStateAndScansAgain)
{
    open();
    scanToResults();
    ASSERT_EQ(contentName(), QStringLiteral("emptyState"));
    QQuickItem* empty = find(QStringLiteral("emptyState"));
    EXPECT_EQ(prop(child(empty, "titleText")), QStringLiteral("Nothing to clean"));
    EXPECT_EQ(prop(child(empty, "messageText")),
              QStringLiteral("Your caches, logs, saved state and developer build caches are already tidy."));
    EXPECT_TRUE(sameColour(colour(empty, "symbolColor"), rgba(62, 207, 142)));
    EXPECT_EQ(barName(), QStringLiteral("none"));
    h.click(find(QStringLiteral("scanAgainButton")));
    EXPECT_EQ(h.model().generation(), 2);
    ASSERT_TRUE(h.settle([&] { return contentName() == QStringLiteral("emptyState"); }));
}

TEST_F(CleanupViewTest, AnIncompleteCategoryWithoutItemsStillShowsTheResults)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const fs::path caches = h.home().folder(".cache");
    h.home().file(caches / "hidden.bin", 8'000);
    h.home().chmod(caches, 0700);
    open();
    {
        test::DroppedPrivileges dropped;
        ASSERT_TRUE(FileSystem().list(h.home().home()).ok()) << "the dropped process reads the home";
        scanToResults();
    }
    ASSERT_EQ(contentName(), QStringLiteral("resultsState"));
    EXPECT_EQ(text(QStringLiteral("foundText")), QStringLiteral("0 KB found"));
    QQuickItem* s = section(QStringLiteral("userCaches"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(prop(child(s, "summaryText")), QStringLiteral("0 items"));
    EXPECT_EQ(prop(child(s, "sizeText")), QStringLiteral("0 KB"));
    EXPECT_TRUE(sameColour(colour(child(s, "sizeText")), kTertiary));
    EXPECT_EQ(prop(s, "checkboxSymbol"), QStringLiteral("square"));
    EXPECT_TRUE(visible(child(s, "warningItem")));
    EXPECT_EQ(prop(child(s, "warningTip")),
              QStringLiteral(
                  "Couldn't fully scan this \u2014 some items may be missing (a location couldn't be read, "
                  "or the installed-app list was incomplete)."));
    expand(QStringLiteral("userCaches"));
    EXPECT_EQ(s->property("rowCount").toInt(), 0) << "an empty list";
    EXPECT_EQ(barName(), QStringLiteral("none"));
}

TEST_F(CleanupViewTest, TheTrashCardCountsConfirmsAndEmpties)
{
    h.home().file(h.trashFiles() / "empty.txt", 0);
    open();
    ASSERT_TRUE(h.settle([&] { return h.model().trashCount() == 1; }));
    EXPECT_EQ(trashSubtitle(), QStringLiteral("1 item \u00b7 0 KB \u2014 frees space permanently"));
    EXPECT_TRUE(sameColour(colour(child(card(), "iconItem")), kRed));
    QObject* emptyButton = child(card(), "emptyTrashButton");
    EXPECT_TRUE(emptyButton->property("enabled").toBool());
    EXPECT_DOUBLE_EQ(emptyButton->property("fillOpacity").toDouble(), 0.85);

    QObject* dialog = h.pageObject("emptyConfirm");
    h.click(qobject_cast<QQuickItem*>(emptyButton));
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
    EXPECT_EQ(prop(dialog, "title"), QStringLiteral("Permanently delete 1 item in the Trash?"));
    EXPECT_EQ(prop(child(dialog, "destructiveButton")), QStringLiteral("Empty Trash (0 KB)"));
    EXPECT_EQ(prop(dialog, "message"),
              QStringLiteral("This frees 0 KB but can't be undone \u2014 the items are gone for good."));
    h.click(qobject_cast<QQuickItem*>(child(dialog, "cancelButton")));
    ASSERT_TRUE(h.settle([&] { return !dialog->property("opened").toBool(); }));
    EXPECT_FALSE(h.model().showEmptyConfirm());
    EXPECT_TRUE(fs::exists(h.trashFiles() / "empty.txt"));

    // Something trashed elsewhere shows when the application comes back to the front.
    h.home().file(h.trashFiles() / "more.bin", 9'000);
    h.drain();
    EXPECT_EQ(h.model().trashCount(), 1) << "nothing re-measures without a reason";
    h.activity().setState(AppActivity::State::Inactive);
    h.drain();
    EXPECT_EQ(h.model().trashCount(), 1) << "losing focus measures nothing";
    h.activity().setState(AppActivity::State::Active);
    ASSERT_TRUE(h.settle([&] { return h.model().trashCount() == 2; }));
    const QString size = Formatting::byteCount(test::findAllocatedSize(h.trashFiles()));
    EXPECT_EQ(trashSubtitle(),
              QStringLiteral("2 items \u00b7 ") + size + QStringLiteral(" \u2014 frees space permanently"));

    h.click(qobject_cast<QQuickItem*>(emptyButton));
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
    EXPECT_EQ(prop(dialog, "title"), QStringLiteral("Permanently delete 2 items in the Trash?"));
    EXPECT_EQ(prop(child(dialog, "destructiveButton")),
              QStringLiteral("Empty Trash (") + size + QStringLiteral(")"));
    h.click(qobject_cast<QQuickItem*>(child(dialog, "destructiveButton")));
    ASSERT_TRUE(h.settle([&] { return !h.model().emptyingTrash() && h.model().trashCount() == 0; }));
    h.drain();
    EXPECT_FALSE(h.model().showEmptyConfirm());
    EXPECT_EQ(trashSubtitle(), QStringLiteral("Trash emptied \u2014 ") + size + QStringLiteral(" reclaimed"));
    EXPECT_TRUE(sameColour(colour(child(card(), "iconItem")), kSecondary));
    EXPECT_FALSE(emptyButton->property("enabled").toBool());
    EXPECT_FALSE(fs::exists(h.trashFiles() / "more.bin"));
}

TEST_F(CleanupViewTest, ARestrictedTrashOffersTheFileManagerAndAccessInstead)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    h.home().file(h.trashFiles() / "old.bin", 4'000);
    h.home().chmod(h.trashFiles(), 0700);
    open();
    ASSERT_TRUE(h.settle([&] { return h.model().trashCount() == 1; })) << "readable before the drop";
    {
        test::DroppedPrivileges dropped;
        ASSERT_TRUE(FileSystem().list(h.home().dataHome() / "Trash").ok())
            << "the dropped process reads Trash/";
        h.activity().setState(AppActivity::State::Background);
        h.activity().setState(AppActivity::State::Active);
        ASSERT_TRUE(h.settle([&] { return h.model().trashRestricted(); }));
        h.drain();
    }
    EXPECT_EQ(prop(child(card(), "iconItem"), "name"), QStringLiteral("lock.fill"));
    EXPECT_TRUE(sameColour(colour(child(card(), "iconItem")), kOrange));
    EXPECT_EQ(
        trashSubtitle(),
        QStringLiteral("Quillmere may not read the Trash to empty it \u2014 open it in your file manager"));
    EXPECT_FALSE(visible(child(card(), "emptyTrashButton")));
    EXPECT_FALSE(visible(child(card(), "spinner")));
    QObject* fileManager = child(card(), "openInFileManagerButton");
    ASSERT_TRUE(visible(fileManager));
    EXPECT_EQ(prop(fileManager), QStringLiteral("Open in File Manager"));
    EXPECT_EQ(child(card(), "enableAccessButton"), nullptr)
        << "no setting grants access here: no button for one";

    h.click(qobject_cast<QQuickItem*>(fileManager));
    ASSERT_EQ(h.workspace().opened().size(), 1u);
    EXPECT_EQ(h.workspace().opened()[0], Workspace::fileUrl(h.trashFiles()));
    EXPECT_FALSE(h.model().showEmptyConfirm());
}

TEST_F(CleanupViewTest, EmptyTrashWaitsWhileAnUndoMovesItemsBack)
{
    buildJunk();
    open();
    scanToResults();
    h.click(find(QStringLiteral("deselectAllButton")));
    expand(QStringLiteral("logs"));
    h.click(row(QStringLiteral("logs"), QStringLiteral("npm \u00B7 %2 %1.log")));
    cleanThroughTheConfirmation();
    ASSERT_TRUE(
        h.settle([&] { return barName() == QStringLiteral("undoBar") && h.model().trashCount() == 1; }));
    QObject* emptyButton = child(card(), "emptyTrashButton");
    EXPECT_TRUE(emptyButton->property("enabled").toBool());

    h.trashGate().arm(FsStep::Move);
    h.click(find(QStringLiteral("undoButton")));
    ASSERT_TRUE(h.settle([&] { return h.trashGate().holding(); }));
    EXPECT_TRUE(h.model().restoring());
    EXPECT_FALSE(emptyButton->property("enabled").toBool()) << "nothing is emptied under a restore";
    EXPECT_EQ(h.model().trashCount(), 1) << "the card still counts the item";
    h.trashGate().release();
    ASSERT_TRUE(h.settle([&] { return !h.model().restoring() && h.model().phase() == Phase::results; }));
    ASSERT_TRUE(h.settle([&] { return h.model().trashCount() == 0; }));
    EXPECT_TRUE(fs::exists(log));
}

TEST_F(CleanupViewTest, EmptyTrashWaitsWhileAnotherModuleRestores)
{
    buildJunk();
    open();
    scanToResults();
    h.click(find(QStringLiteral("deselectAllButton")));
    expand(QStringLiteral("logs"));
    h.click(row(QStringLiteral("logs"), QStringLiteral("npm \u00B7 %2 %1.log")));
    cleanThroughTheConfirmation();
    ASSERT_TRUE(h.settle([&] { return h.model().trashCount() == 1; }));
    h.model().dismissUndo();
    QObject* emptyButton = child(card(), "emptyTrashButton");
    ASSERT_TRUE(h.settle([&] { return emptyButton->property("enabled").toBool(); }));

    // An undo of another page holds the shared tracker.
    std::optional<RestoreTracker::Token> restore(h.tracker().hold());
    h.wait(50);
    EXPECT_FALSE(h.model().restoring());
    EXPECT_TRUE(h.model().anyRestoring());
    EXPECT_FALSE(emptyButton->property("enabled").toBool()) << "nothing is emptied under a restore";
    h.model().requestEmptyTrash();
    h.wait(100);
    EXPECT_FALSE(h.model().showEmptyConfirm());

    restore.reset();
    EXPECT_FALSE(h.model().anyRestoring());
    EXPECT_TRUE(h.settle([&] { return emptyButton->property("enabled").toBool(); }));
}

TEST_F(CleanupViewTest, AFailedCleanRaisesTheSharedAlertUntilOK)
{
    buildJunk();
    open();
    scanToResults();
    h.click(find(QStringLiteral("deselectAllButton")));
    expand(QStringLiteral("userCaches"));
    h.click(row(QStringLiteral("userCaches"), QStringLiteral("<b>x&lt;")));
    // Gone before the clean reaches it.
    fs::remove(markup);
    cleanThroughTheConfirmation();

    QObject* alert = h.pageObject("failureAlert");
    QObject* popup = child(alert, "popup");
    ASSERT_TRUE(h.settle([&] { return popup->property("opened").toBool(); }));
    EXPECT_EQ(prop(popup, "title"), QStringLiteral("Couldn't remove everything"));
    const QString message = prop(child(popup, "messageText"));
    EXPECT_TRUE(message.startsWith(QStringLiteral("1 item couldn't be moved to the Trash.\n<b>x&lt;: ")))
        << message.toStdString();
    EXPECT_EQ(message, h.model().failureNote());
    EXPECT_EQ(child(popup, "messageText")->property("textFormat").toInt(), int(Qt::PlainText));
    EXPECT_EQ(prop(child(alert, "okButton")), QStringLiteral("OK"));
    EXPECT_FALSE(h.pageObject("celebration")->property("active").toBool()) << "nothing was moved";
    EXPECT_EQ(barName(), QStringLiteral("selectionBar")) << "the failed item stays selected";

    h.click(qobject_cast<QQuickItem*>(child(alert, "okButton")));
    ASSERT_TRUE(h.settle([&] { return !popup->property("opened").toBool(); }));
    EXPECT_TRUE(h.model().failureNote().isEmpty()) << "OK clears the note";
}

} // namespace
} // namespace qm
