#include "FilesScreenHarness.h"
#include "core/model/Formatting.h"

#include <QQuickItem>

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::FilesScreenHarness;

const QSize kPageSize(900, 760);
constexpr qint64 kSize = 1'100'000;

QString textOf(const QQuickItem* item)
{
    return item != nullptr ? item->property("text").toString() : QStringLiteral("<missing>");
}

QString textIn(FilesScreenHarness& h, const char* objectName)
{
    return textOf(h.find(QString::fromLatin1(objectName), h.toolScreen()));
}

// The file row whose name reads `name`, or null.
QQuickItem* rowNamed(FilesScreenHarness& h, const QString& name)
{
    for (QQuickItem* row : h.findAll(QStringLiteral("fileRow"), h.toolScreen())) {
        if (row->property("name").toString() == name)
            return row;
    }
    return nullptr;
}

QString barTitle(FilesScreenHarness& h)
{
    return h.bar() != nullptr ? h.bar()->property("title").toString() : QString();
}
QString barSubtitle(FilesScreenHarness& h)
{
    return h.bar() != nullptr ? h.bar()->property("subtitle").toString() : QString();
}
QObject* screenObject(FilesScreenHarness& h, const char* property)
{
    return h.toolScreen() != nullptr ? h.toolScreen()->property(property).value<QObject*>() : nullptr;
}

bool open(FilesScreenHarness& h)
{
    if (!h.open(kPageSize)) {
        ADD_FAILURE() << h.errors().join(QLatin1Char('\n')).toStdString();
        return false;
    }
    return true;
}

void expectNoWarnings(FilesScreenHarness& h)
{
    EXPECT_TRUE(h.warnings().isEmpty()) << h.warnings().join(QLatin1Char('\n')).toStdString();
}

// ---- Large & Old ----

TEST(FilesViewTest, LargeAndOldControlsIdleAndScanningTexts)
{
    FilesScreenHarness h;
    ASSERT_TRUE(open(h));
    EXPECT_EQ(h.page()->property("tool").toString(), QStringLiteral("Large & Old"));
    EXPECT_EQ(h.toolScreen()->objectName(), QStringLiteral("largeFilesView"));
    EXPECT_EQ(h.toolContentName(), QStringLiteral("idleState"));
    EXPECT_EQ(textIn(h, "idleTitle"), QStringLiteral("Find your biggest files"));
    EXPECT_EQ(textIn(h, "idleMessage"), QStringLiteral("Choose a folder, set a minimum size, then scan."));
    EXPECT_EQ(h.find(QStringLiteral("idleMedallion"))->property("symbol").toString(),
              QStringLiteral("doc.text.magnifyingglass"));
    EXPECT_EQ(h.find(QStringLiteral("idleMedallion"))->property("tint").value<QColor>(),
              QColor(62, 201, 186));
    EXPECT_EQ(textIn(h, "folderPath"), FileSystem::displayName(h.home().home()));
    EXPECT_EQ(h.find(QStringLiteral("fullDiskAccessBanner")), nullptr) << "access granted";
    EXPECT_EQ(h.bar(), nullptr);
    EXPECT_TRUE(h.find(QStringLiteral("scanButton"))->isEnabled());

    // The slider: 10 to 2000 in steps of 10, the value text truncated.
    QObject* slider = screenObject(h, "minSizeSlider");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->property("from").toDouble(), 10);
    EXPECT_EQ(slider->property("to").toDouble(), 2000);
    EXPECT_EQ(slider->property("stepSize").toDouble(), 10);
    EXPECT_EQ(textIn(h, "minSizeText"), QStringLiteral("\u2265 100 MB"));
    QMetaObject::invokeMethod(slider, "increase");
    EXPECT_EQ(slider->property("value").toDouble(), 110);
    h.largeFiles().setMinMB(2000);
    QMetaObject::invokeMethod(slider, "increase");
    EXPECT_EQ(slider->property("value").toDouble(), 2000) << "never above 2000";
    h.largeFiles().setMinMB(10);
    QMetaObject::invokeMethod(slider, "decrease");
    EXPECT_EQ(slider->property("value").toDouble(), 10) << "never below 10";
    h.largeFiles().setMinMB(250.7);
    EXPECT_EQ(textIn(h, "minSizeText"), QStringLiteral("\u2265 250 MB"));

    // The age choices in order, each writing its months.
    QObject* box = h.find(QStringLiteral("agePicker"));
    ASSERT_NE(box, nullptr);
    QStringList labels;
    for (const QVariant& choice : screenObject(h, "agePicker")->property("choices").toList())
        labels.append(choice.toMap().value(QStringLiteral("label")).toString());
    EXPECT_EQ(labels, (QStringList{"Any age", "3 months", "6 months", "1 year", "2 years"}));
    h.largeFiles().setOlderThanMonths(12);
    EXPECT_EQ(box->property("displayText").toString(), QStringLiteral("1 year"));

    // The scanning subtitle in the locale's grouping, plural even for 0 and 1.
    QVariant text;
    QMetaObject::invokeMethod(h.toolScreen(), "checkedText", Q_RETURN_ARG(QVariant, text),
                              Q_ARG(QVariant, 1234));
    EXPECT_EQ(text.toString(), QStringLiteral("1,234 files checked"));
    QMetaObject::invokeMethod(h.toolScreen(), "checkedText", Q_RETURN_ARG(QVariant, text),
                              Q_ARG(QVariant, 1));
    EXPECT_EQ(text.toString(), QStringLiteral("1 files checked"));

    h.largeFiles().setOlderThanMonths(0);
    h.largeFiles().setMinMB(10);
    // No event is handled before the checks, so the search's answer cannot come in between.
    h.largeFiles().scan();
    ASSERT_EQ(h.toolContentName(), QStringLiteral("scanningState"));
    QQuickItem* indicator = h.find(QStringLiteral("scanningIndicator"));
    ASSERT_NE(indicator, nullptr);
    EXPECT_EQ(indicator->property("title").toString(), QStringLiteral("Scanning for large files"));
    EXPECT_EQ(indicator->property("subtitle").toString(), QStringLiteral("0 files checked"));
    EXPECT_EQ(indicator->property("symbol").toString(), QStringLiteral("magnifyingglass"));
    EXPECT_FALSE(h.find(QStringLiteral("scanButton"))->isEnabled());
    QMetaObject::invokeMethod(h.find(QStringLiteral("cancelButton")), "clicked");
    EXPECT_EQ(h.toolContentName(), QStringLiteral("idleState"));
    expectNoWarnings(h);
}

// The thresholds live in the model: a Large & Old screen made again (after the other tool, or a
// visit elsewhere) shows the age and size in force, for every age choice.
TEST(FilesViewTest, LargeAndOldMadeAgainShowsTheThresholdsInForce)
{
    FilesScreenHarness h;
    ASSERT_TRUE(open(h));
    const std::vector<std::pair<int, QString>> ages = {
        {3, "3 months"}, {6, "6 months"}, {12, "1 year"}, {24, "2 years"}, {0, "Any age"}};
    for (const auto& [months, label] : ages) {
        h.largeFiles().setOlderThanMonths(months);
        h.largeFiles().setMinMB(months * 10 + 30);
        ASSERT_TRUE(h.switchTo(QStringLiteral("Duplicates")));
        ASSERT_TRUE(h.switchTo(QStringLiteral("Large & Old")));
        QObject* box = screenObject(h, "agePicker");
        ASSERT_NE(box, nullptr);
        box = box->property("box").value<QObject*>();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->property("displayText").toString(), label) << months << " months";
        EXPECT_EQ(textIn(h, "minSizeText"),
                  QStringLiteral("\u2265 ") + QString::number(months * 10 + 30) + QStringLiteral(" MB"))
            << months << " months";
        EXPECT_EQ(screenObject(h, "minSizeSlider")->property("value").toDouble(), months * 10 + 30)
            << months << " months";
    }
    expectNoWarnings(h);
}

TEST(FilesViewTest, LargeAndOldListSelectsCleansAndUndoes)
{
    FilesScreenHarness h;
    // A name cannot hold "/", so the markup is an unclosed one.
    h.file("<b>x<br>", 1'400'000, 'a');
    h.file("%1", 1'300'000, 'b');
    h.file(std::string("a\xff"), 1'200'000, 'c');
    const fs::path linked = h.file("shared", 1'100'000, 'd');
    h.home().hardLink(linked, "Docs/shared2");
    ASSERT_TRUE(open(h));
    h.largeFiles().setMinMB(1);
    h.largeFiles().scan();
    ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("resultsState"); }));
    h.wait(50);

    EXPECT_EQ(h.findAll(QStringLiteral("fileRow"), h.toolScreen()).size(), 5);
    EXPECT_EQ(h.find(QStringLiteral("incompleteNote"), h.toolScreen()), nullptr);
    // Names are plain text; a name that is not UTF-8 shows its decoded form.
    QQuickItem* bold = rowNamed(h, QStringLiteral("<b>x<br>"));
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(bold->property("nameText").value<QQuickItem*>()->property("textFormat").toInt(), Qt::PlainText);
    EXPECT_EQ(bold->property("subtitle").toString(), FileSystem::displayName(h.home().path("Docs")));
    EXPECT_EQ(bold->property("size").toString(), Formatting::byteCount(1'400'000));
    ASSERT_NE(rowNamed(h, QStringLiteral("%1")), nullptr);
    QQuickItem* odd = rowNamed(h, FileSystem::displayName(Path(std::string("a\xff"))));
    ASSERT_NE(odd, nullptr);

    // A linked row ignores taps on the row and on its mark.
    QQuickItem* shared = rowNamed(h, QStringLiteral("shared"));
    ASSERT_NE(shared, nullptr);
    EXPECT_TRUE(shared->property("linked").toBool());
    EXPECT_EQ(textOf(shared->property("subtitleText").value<QQuickItem*>()),
              QStringLiteral("Linked copy \u2014 frees no space"));
    h.click(shared);
    h.click(h.find(QStringLiteral("linkMark"), shared));
    EXPECT_EQ(h.largeFiles().selectedCount(), 0);
    EXPECT_EQ(h.bar(), nullptr);

    // The odd name toggles its own row.
    h.click(odd);
    ASSERT_EQ(h.largeFiles().selectedCount(), 1);
    EXPECT_TRUE(odd->property("isSelected").toBool());
    for (const FileEntry& file : h.largeFiles().files())
        EXPECT_EQ(file.isSelected, file.name.native() == std::string("a\xff")) << file.name;
    EXPECT_EQ(barTitle(h), Formatting::byteCount(1'200'000));
    EXPECT_EQ(barSubtitle(h), QStringLiteral("1 file selected"));
    EXPECT_EQ(screenObject(h, "cleanConfirm")->property("title").toString(),
              QStringLiteral("Move 1 file to the Trash?"));
    h.click(h.find(QStringLiteral("checkMark"), bold));
    EXPECT_EQ(barSubtitle(h), QStringLiteral("2 files selected"));
    QObject* confirm = screenObject(h, "cleanConfirm");
    EXPECT_EQ(confirm->property("title").toString(), QStringLiteral("Move 2 files to the Trash?"));
    EXPECT_EQ(confirm->property("destructiveText").toString(),
              QStringLiteral("Move ") + h.largeFiles().formattedSelected() + QStringLiteral(" to Trash"));
    EXPECT_EQ(confirm->property("message").toString(),
              QStringLiteral("Files go to the Trash and can be restored."));

    h.click(h.find(QStringLiteral("moveButton")));
    ASSERT_TRUE(h.largeFiles().showConfirm());
    EXPECT_TRUE(confirm->property("shown").toBool());
    ASSERT_TRUE(h.settle([&] {
        auto* button = confirm->property("destructiveButton").value<QQuickItem*>();
        return button != nullptr && button->isVisible() && button->width() > 0;
    }));
    h.click(confirm->property("destructiveButton").value<QQuickItem*>());
    EXPECT_FALSE(h.largeFiles().showConfirm()) << "closing the dialog clears the request";
    ASSERT_TRUE(h.settle([&] { return !h.largeFiles().cleaning(); }));
    ASSERT_TRUE(h.settle([&] { return h.findAll(QStringLiteral("fileRow"), h.toolScreen()).size() == 3; }));
    EXPECT_EQ(barTitle(h), QStringLiteral("Freed ") + h.largeFiles().formattedFreed());
    EXPECT_EQ(barSubtitle(h), QStringLiteral("2 files in Trash"));

    // A selection hides the freed bar; clearing it brings it back.
    h.click(rowNamed(h, QStringLiteral("%1")));
    EXPECT_EQ(h.bar()->objectName(), QStringLiteral("selectionBar"));
    h.click(rowNamed(h, QStringLiteral("%1")));
    EXPECT_EQ(h.bar()->objectName(), QStringLiteral("freedBar"));

    expectNoWarnings(h);
}

TEST(FilesViewTest, LargeAndOldAllMovedThenUndoListsThemAgain)
{
    FilesScreenHarness h;
    h.file(std::string("a\xff"), 1'200'000, 'c');
    ASSERT_TRUE(open(h));
    h.largeFiles().setMinMB(1);
    h.largeFiles().scan();
    ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("resultsState"); }));
    h.wait(50);
    h.click(rowNamed(h, FileSystem::displayName(Path(std::string("a\xff")))));
    ASSERT_EQ(h.largeFiles().selectedCount(), 1);
    h.largeFiles().confirmClean();
    ASSERT_TRUE(h.settle([&] { return !h.largeFiles().cleaning(); }));
    ASSERT_EQ(h.toolContentName(), QStringLiteral("cleanedAllState"));
    EXPECT_EQ(h.find(QStringLiteral("cleanedAllView"))->property("title").toString(),
              QStringLiteral("All matched files moved to the Trash"));
    ASSERT_TRUE(h.largeFiles().lastReport().has_value());
    EXPECT_EQ(barTitle(h), QStringLiteral("Freed ") + h.largeFiles().lastReport()->formattedFreed());
    EXPECT_NE(h.largeFiles().lastReport()->formattedFreed(), QStringLiteral("0 KB"));
    EXPECT_EQ(barSubtitle(h), QStringLiteral("1 file in Trash"));

    h.click(h.find(QStringLiteral("undoButton")));
    EXPECT_EQ(h.bar(), nullptr) << "the offer goes at once";
    ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("resultsState"); }));
    h.wait(50);
    EXPECT_NE(rowNamed(h, FileSystem::displayName(Path(std::string("a\xff")))), nullptr)
        << "restored and listed";
    EXPECT_TRUE(fs::exists(h.home().path(std::string("Docs/a\xff"))));
    expectNoWarnings(h);
}

TEST(FilesViewTest, LargeAndOldEmptyAndIncompleteTexts)
{
    struct Case
    {
        const char* what;
        int files;
        bool incomplete;
        const char* content;
        const char* text;
    };
    const Case cases[] = {
        {"nothing", 0, false, "emptyState", "No files matched. Try a smaller minimum size."},
        {"nothing readable", 0, true, "emptyState",
         "No files matched in the folders Quillmere could read \u2014 some were permission-denied, so there "
         "may be "
         "large files it couldn't see. Check folder permissions and scan again."},
        {"a partial list", 2, true, "resultsState",
         "Some folders couldn't be read, or there were more matches than Quillmere shows \u2014 this list "
         "may be "
         "incomplete."},
    };
    for (const Case& c : cases) {
        FilesScreenHarness h;
        h.useLargeFileSearch([&c](const Path& root, qint64, std::optional<int>, const FileScanner::VisitSink&,
                                  std::stop_token) {
            FileScanner::LargeFiles found;
            for (int i = 0; i < c.files; ++i) {
                FileEntry entry;
                entry.url = root / ("f" + std::to_string(i));
                entry.name = entry.url.filename();
                entry.bytes = 200'000'000;
                found.entries.push_back(entry);
            }
            found.incomplete = c.incomplete;
            return found;
        });
        ASSERT_TRUE(open(h));
        h.largeFiles().scan();
        ASSERT_TRUE(h.settle([&] { return h.largeFiles().phaseName() == QStringLiteral("results"); }))
            << c.what;
        EXPECT_EQ(h.toolContentName(), QString::fromLatin1(c.content)) << c.what;
        const char* holder = c.files == 0 ? "emptyText" : "incompleteNote";
        const QQuickItem* item = h.find(QString::fromLatin1(holder), h.toolScreen());
        ASSERT_NE(item, nullptr) << c.what;
        EXPECT_EQ(item->property(c.files == 0 ? "text" : "message").toString(), QString::fromUtf8(c.text))
            << c.what;
        EXPECT_EQ(h.bar(), nullptr) << c.what;
        expectNoWarnings(h);
    }
}

TEST(FilesViewTest, TwoHundredThousandFilesMakeABoundedNumberOfRows)
{
    FilesScreenHarness h;
    h.useLargeFileSearch(
        [](const Path& root, qint64, std::optional<int>, const FileScanner::VisitSink&, std::stop_token) {
            FileScanner::LargeFiles found;
            found.entries.resize(200'000);
            for (std::size_t i = 0; i < found.entries.size(); ++i) {
                found.entries[i].url = root / ("f" + std::to_string(i));
                found.entries[i].name = found.entries[i].url.filename();
                found.entries[i].bytes = 200'000'000 - qint64(i);
            }
            return found;
        });
    ASSERT_TRUE(open(h));
    h.largeFiles().scan();
    ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("resultsState"); }));
    h.wait(50);
    EXPECT_EQ(h.largeFiles().fileCount(), 200'000);
    const qsizetype rows = h.findAll(QStringLiteral("fileRow"), h.toolScreen()).size();
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 100) << "rows are made only as they scroll in";

    // A toggle far down keeps the list's rows.
    QQuickItem* first = rowNamed(h, QStringLiteral("f0"));
    ASSERT_NE(first, nullptr);
    h.largeFiles().toggle(h.largeFiles().files()[150'000].id);
    EXPECT_EQ(rowNamed(h, QStringLiteral("f0")), first) << "no row was rebuilt";
    EXPECT_EQ(barSubtitle(h), QStringLiteral("1 file selected"));
}

// ---- Duplicates ----

TEST(FilesViewTest, DuplicatesStatesGroupCardsAndBars)
{
    FilesScreenHarness h;
    h.file("a1", kSize, 'a');
    h.file("a2", kSize, 'a');
    h.file("a3", kSize, 'a');
    h.file("link1", 2 * kSize, 'c');
    h.file("c2", 2 * kSize, 'c');
    h.file("link3", 2 * kSize, 'c');
    ASSERT_TRUE(open(h));
    ASSERT_TRUE(h.switchTo(QStringLiteral("Duplicates")));
    EXPECT_EQ(h.toolScreen()->objectName(), QStringLiteral("duplicatesView"));
    EXPECT_EQ(h.toolContentName(), QStringLiteral("idleState"));
    EXPECT_EQ(textIn(h, "idleTitle"), QStringLiteral("Find duplicate files"));
    EXPECT_EQ(textIn(h, "idleMessage"),
              QStringLiteral("Choose a folder and scan for byte-identical copies."));
    EXPECT_EQ(textIn(h, "explanation"), QStringLiteral("Finds byte-identical files 1 MB and larger."));
    EXPECT_EQ(h.find(QStringLiteral("idleMedallion"))->property("symbol").toString(),
              QStringLiteral("doc.on.doc"));
    EXPECT_EQ(h.find(QStringLiteral("idleMedallion"))->property("tint").value<QColor>(),
              QColor(62, 201, 186));
    EXPECT_EQ(h.bar(), nullptr);

    // A search held at its first file: the indicator in the tool's colour; Cancel goes back to the
    // start page.
    h.gate().arm(FsStep::Open);
    h.click(h.find(QStringLiteral("scanButton")));
    ASSERT_EQ(h.toolContentName(), QStringLiteral("scanningState"));
    QQuickItem* indicator = h.find(QStringLiteral("scanningIndicator"));
    EXPECT_EQ(indicator->property("title").toString(), QStringLiteral("Finding duplicate files"));
    EXPECT_EQ(indicator->property("subtitle").toString(), h.duplicates().progressLabel());
    EXPECT_EQ(indicator->property("symbol").toString(), QStringLiteral("doc.on.doc"));
    EXPECT_EQ(indicator->property("tint").value<QColor>(), QColor(62, 201, 186));
    EXPECT_FALSE(h.find(QStringLiteral("scanButton"))->isEnabled());
    QMetaObject::invokeMethod(h.find(QStringLiteral("cancelButton")), "clicked");
    EXPECT_EQ(h.toolContentName(), QStringLiteral("idleState"));
    h.gate().release();
    ASSERT_TRUE(h.settle([&] { return !h.gate().holding(); }));

    h.click(h.find(QStringLiteral("scanButton")));
    ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("resultsState"); }));
    h.wait(50);

    const QList<QQuickItem*> cards = h.findAll(QStringLiteral("groupCard"), h.toolScreen());
    ASSERT_EQ(cards.size(), 2);
    // The c group: three copies, the linked ones counted, priced by its first file.
    QQuickItem* c2 = rowNamed(h, QStringLiteral("c2"));
    ASSERT_NE(c2, nullptr);
    QQuickItem* c = nullptr;
    for (QQuickItem* card : cards) {
        if (card->isAncestorOf(c2))
            c = card;
    }
    ASSERT_NE(c, nullptr);
    qint64 firstBytes = -1;
    for (const DuplicateGroup& group : h.duplicates().groups()) {
        for (const FileEntry& file : group.files) {
            if (file.name.native() == "c2")
                firstBytes = group.files.front().bytes;
        }
    }
    EXPECT_EQ(textOf(h.find(QStringLiteral("groupHeader"), c)), QStringLiteral("3 copies \u00b7 ") +
                                                                    Formatting::byteCount(firstBytes) +
                                                                    QStringLiteral(" each"));
    EXPECT_EQ(h.findAll(QStringLiteral("linkMark"), c).size(), 2);

    // The preselection shows its bar; the summary counts sets and reclaimable bytes.
    EXPECT_EQ(textIn(h, "summaryText"), QStringLiteral("2 duplicate sets \u00b7 ") +
                                            Formatting::byteCount(h.duplicates().totalWasted()) +
                                            QStringLiteral(" reclaimable"));
    EXPECT_EQ(barSubtitle(h),
              QString::number(h.duplicates().selectedCount()) + QStringLiteral(" duplicates selected"));
    EXPECT_EQ(screenObject(h, "cleanConfirm")->property("title").toString(),
              QStringLiteral("Move ") + QString::number(h.duplicates().selectedCount()) +
                  QStringLiteral(" duplicates to the Trash?"));
    EXPECT_EQ(screenObject(h, "cleanConfirm")->property("message").toString(),
              QStringLiteral("Selected copies go to the Trash and can be restored."));

    // Down to one: singular in the bar and the title.
    while (h.duplicates().selectedCount() > 1) {
        for (const DuplicateGroup& g : h.duplicates().groups()) {
            const auto it = std::find_if(g.files.begin(), g.files.end(),
                                         [](const FileEntry& f) { return f.isSelected && !f.sharesInode; });
            if (it != g.files.end()) {
                h.click(rowNamed(h, FileSystem::displayName(it->name)));
                break;
            }
        }
    }
    EXPECT_EQ(barSubtitle(h), QStringLiteral("1 duplicate selected"));
    EXPECT_EQ(screenObject(h, "cleanConfirm")->property("title").toString(),
              QStringLiteral("Move 1 duplicate to the Trash?"));

    // That one cleaned: the freed bar; a selection hides it and clearing the selection brings it back.
    h.duplicates().confirmClean();
    ASSERT_TRUE(h.settle([&] { return !h.duplicates().cleaning(); }));
    ASSERT_TRUE(h.settle([&] { return h.bar() && h.bar()->objectName() == QStringLiteral("freedBar"); }));
    EXPECT_EQ(barSubtitle(h), QStringLiteral("1 file in Trash"));
    const auto pickOne = [&] {
        for (const DuplicateGroup& g : h.duplicates().groups())
            for (const FileEntry& f : g.files)
                if (&f != &g.files.front() && !f.isSelected && !f.sharesInode)
                    return h.duplicates().toggle(f.id);
    };
    pickOne();
    ASSERT_TRUE(h.settle([&] { return h.bar() && h.bar()->objectName() == QStringLiteral("selectionBar"); }));
    for (const FileEntry& f : h.duplicates().selectedFiles())
        h.duplicates().toggle(f.id);
    ASSERT_TRUE(h.settle([&] { return h.bar() && h.bar()->objectName() == QStringLiteral("freedBar"); }));

    // Clean everything that frees space: all moved, then Undo searches again.
    for (const DuplicateGroup& g : h.duplicates().groups())
        for (const FileEntry& f : g.files)
            if (&f != &g.files.front() && !f.isSelected && !f.sharesInode)
                h.duplicates().toggle(f.id);
    h.duplicates().confirmClean();
    ASSERT_TRUE(h.settle([&] { return !h.duplicates().cleaning(); }));
    ASSERT_EQ(h.toolContentName(), QStringLiteral("cleanedAllState"));
    EXPECT_EQ(h.find(QStringLiteral("cleanedAllView"))->property("title").toString(),
              QStringLiteral("All duplicates moved to the Trash"));
    EXPECT_EQ(barTitle(h), QStringLiteral("Freed ") + h.duplicates().formattedFreed());
    EXPECT_EQ(barSubtitle(h),
              QString::number(h.duplicates().trashedCount()) + QStringLiteral(" files in Trash"));
    h.click(h.find(QStringLiteral("undoButton")));
    EXPECT_EQ(h.bar(), nullptr);
    ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("resultsState"); }));
    expectNoWarnings(h);
}

TEST(FilesViewTest, DuplicatesEmptyIncompleteAndLinkedOnlyTexts)
{
    const QString partial = QStringLiteral("Some folders couldn't be read, or there were more matches than "
                                           "Quillmere shows \u2014 this list may be "
                                           "incomplete.");
    const QString limit =
        QStringLiteral("Some folders couldn't be read, or the scan hit its size limit \u2014 a duplicate "
                       "whose copies live there "
                       "wouldn't be found. Check those folders' permissions or scan a narrower folder.");
    {
        FilesScreenHarness h;
        h.file("solo", kSize, 'a');
        ASSERT_TRUE(open(h));
        ASSERT_TRUE(h.switchTo(QStringLiteral("Duplicates")));
        h.duplicates().scan();
        ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("emptyState"); }));
        EXPECT_EQ(textIn(h, "emptyText"), QStringLiteral("No duplicates found."));
        EXPECT_EQ(h.find(QStringLiteral("incompleteNote"), h.toolScreen()), nullptr);
        expectNoWarnings(h);
    }
    for (const bool withGroups : {false, true}) {
        // Over the candidate cap, the search says it could not finish: with nothing found, in the
        // empty state's words and the limit note; with a group found (the cap reached after the a
        // copies), in the list's note.
        SCOPED_TRACE(withGroups ? "a group found" : "nothing found");
        FilesScreenHarness h;
        h.file("a1", kSize, 'a');
        h.file("a2", kSize, 'a');
        if (withGroups) {
            h.file("b1", 2 * kSize, 'b');
            h.file("b2", 2 * kSize, 'b');
        }
        h.scanning().maxDuplicateCandidates = withGroups ? 3 : 1;
        ASSERT_TRUE(open(h));
        ASSERT_TRUE(h.switchTo(QStringLiteral("Duplicates")));
        h.duplicates().scan();
        ASSERT_TRUE(h.settle([&] { return h.duplicates().phaseName() == QStringLiteral("results"); }));
        ASSERT_TRUE(h.duplicates().scanIncomplete());
        ASSERT_EQ(h.duplicates().groupCount(), withGroups ? 1 : 0);
        if (withGroups) {
            ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("resultsState"); }));
        } else {
            ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("emptyState"); }));
            EXPECT_EQ(textIn(h, "emptyText"),
                      QStringLiteral("No duplicates found in the folders Quillmere could read."));
        }
        QQuickItem* note = h.find(QStringLiteral("incompleteNote"), h.toolScreen());
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->property("message").toString(), withGroups ? partial : limit);
        expectNoWarnings(h);
    }
    {
        // The finder never lists a group whose only copies besides the keeper are linked, so the list's
        // "0 KB" comes from copies that take no blocks: sparse files, whose allocated size is 0.
        FilesScreenHarness h;
        for (const char* name : {"hole1", "hole2"}) {
            const fs::path hole = h.file(name, 0);
            fs::resize_file(hole, 2 * kSize);
        }
        ASSERT_TRUE(open(h));
        ASSERT_TRUE(h.switchTo(QStringLiteral("Duplicates")));
        h.duplicates().scan();
        ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("resultsState"); }));
        h.wait(50);
        EXPECT_EQ(textIn(h, "summaryText"), QStringLiteral("1 duplicate set \u00b7 0 KB reclaimable"));
        EXPECT_EQ(textOf(h.find(QStringLiteral("groupHeader"), h.toolScreen())),
                  QStringLiteral("2 copies \u00b7 0 KB each"));
        EXPECT_EQ(textOf(h.find(QStringLiteral("groupWasted"), h.toolScreen())),
                  QStringLiteral("0 KB reclaimable"));
        expectNoWarnings(h);
    }
}

// ---- both ----

// Over a tool's listed results with a selection: Scan and the selection bar's Move to Trash are off
// while a clean is held at its move, and again while an undo is; `selectAgain` picks something after
// the clean, so the bar shows during the undo.
template <typename Model, typename SelectAgain>
void expectScanAndMoveOffDuringACleanAndAnUndo(FilesScreenHarness& h, Model& model, SelectAgain selectAgain)
{
    QQuickItem* scan = h.find(QStringLiteral("scanButton"));
    ASSERT_NE(scan, nullptr);
    h.gate().arm(FsStep::Move);
    model.confirmClean();
    ASSERT_TRUE(h.settle([&] { return h.gate().holding(); }));
    EXPECT_FALSE(scan->isEnabled()) << "during a clean";
    EXPECT_FALSE(h.find(QStringLiteral("moveButton"))->isEnabled()) << "during a clean";
    h.gate().release();
    ASSERT_TRUE(h.settle([&] { return !model.cleaning(); }));
    EXPECT_TRUE(scan->isEnabled());

    selectAgain();
    h.gate().arm(FsStep::Move);
    model.undoLast();
    ASSERT_TRUE(model.restoring());
    ASSERT_TRUE(h.settle([&] { return h.gate().holding(); }));
    EXPECT_FALSE(scan->isEnabled()) << "during an undo";
    ASSERT_NE(h.find(QStringLiteral("moveButton")), nullptr);
    EXPECT_FALSE(h.find(QStringLiteral("moveButton"))->isEnabled()) << "during an undo";
    h.gate().release();
    ASSERT_TRUE(h.settle([&] { return !model.restoring() && model.phaseName() == "results"; }));
    EXPECT_TRUE(h.find(QStringLiteral("scanButton"))->isEnabled());
    expectNoWarnings(h);
}

TEST(FilesViewTest, ScanAndMoveAreDisabledDuringACleanAndDuringAnUndo)
{
    {
        SCOPED_TRACE("Large & Old");
        FilesScreenHarness h;
        h.file("big1", 1'300'000, 'a');
        h.file("big2", 1'200'000, 'b');
        ASSERT_TRUE(open(h));
        h.largeFiles().setMinMB(1);
        h.largeFiles().scan();
        ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("resultsState"); }));
        h.wait(50);
        h.click(rowNamed(h, QStringLiteral("big1")));
        expectScanAndMoveOffDuringACleanAndAnUndo(h, h.largeFiles(),
                                                  [&] { h.click(rowNamed(h, QStringLiteral("big2"))); });
    }
    {
        SCOPED_TRACE("Duplicates");
        FilesScreenHarness h;
        for (const char* name : {"a1", "a2", "a3"})
            h.file(name, kSize, 'a');
        ASSERT_TRUE(open(h));
        ASSERT_TRUE(h.switchTo(QStringLiteral("Duplicates")));
        h.duplicates().scan();
        ASSERT_TRUE(h.settle([&] { return h.toolContentName() == QStringLiteral("resultsState"); }));
        h.wait(50);
        ASSERT_EQ(h.duplicates().groups().size(), 1u);
        // The clean takes the second copy; the third is chosen again for the undo.
        const FileEntry third = h.duplicates().groups()[0].files[2];
        ASSERT_TRUE(third.isSelected);
        h.duplicates().toggle(third.id);
        expectScanAndMoveOffDuringACleanAndAnUndo(h, h.duplicates(),
                                                  [&] { h.duplicates().toggle(third.id); });
    }
}

TEST(FilesViewTest, BecomingActiveRefreshesTheBannerButTheInitialStateDoesNot)
{
    using State = AppActivity::State;
    for (const QString& tool : {QStringLiteral("Large & Old"), QStringLiteral("Duplicates")}) {
        for (const State from : {State::Background, State::Inactive}) {
            FilesScreenHarness h;
            h.setFullDiskAccess(false);
            ASSERT_TRUE(open(h));
            ASSERT_TRUE(h.switchTo(tool));
            const int asked = h.probes();
            ASSERT_NE(h.find(QStringLiteral("fullDiskAccessBanner"), h.toolScreen()), nullptr);
            EXPECT_EQ(h.find(QStringLiteral("fullDiskAccessBanner"), h.toolScreen())
                          ->property("message")
                          .toString(),
                      QStringLiteral(
                          "Folders your user may not read are skipped, so some files may be missing here."));
            h.setFullDiskAccess(true);
            h.activity().setState(from);
            h.drain();
            EXPECT_EQ(h.probes(), asked) << "leaving the active state asks nothing";
            EXPECT_NE(h.find(QStringLiteral("fullDiskAccessBanner"), h.toolScreen()), nullptr);
            h.activity().setState(State::Active);
            h.drain();
            EXPECT_GT(h.probes(), asked);
            EXPECT_EQ(h.find(QStringLiteral("fullDiskAccessBanner"), h.toolScreen()), nullptr)
                << tool.toStdString() << " from " << int(from);
        }
    }
}

TEST(FilesViewTest, ThePageOpensOnLargeAndOldAndPublishesTheScanOfTheToolInView)
{
    FilesScreenHarness h;
    ASSERT_TRUE(open(h));
    EXPECT_EQ(textOf(h.find(QStringLiteral("pageHeader"))->property("titleText").value<QQuickItem*>()),
              QStringLiteral("Files"));
    EXPECT_EQ(h.page()->property("tool").toString(), QStringLiteral("Large & Old"));
    EXPECT_EQ(h.focused().scanTarget(), QStringLiteral("Large & Old"));
    ASSERT_NE(h.find(QStringLiteral("segment:Large & Old")), nullptr);
    ASSERT_NE(h.find(QStringLiteral("segment:Duplicates")), nullptr);
    EXPECT_LT(h.find(QStringLiteral("segment:Large & Old"))->mapToScene({0, 0}).x(),
              h.find(QStringLiteral("segment:Duplicates"))->mapToScene({0, 0}).x());

    ASSERT_TRUE(h.focused().runScanCommand());
    EXPECT_EQ(h.largeFiles().phaseName(), QStringLiteral("scanning"));
    h.largeFiles().cancel();

    ASSERT_TRUE(h.switchTo(QStringLiteral("Duplicates")));
    EXPECT_EQ(h.toolScreen()->objectName(), QStringLiteral("duplicatesView"));
    EXPECT_EQ(h.focused().scanTarget(), QStringLiteral("Duplicates"));
    ASSERT_TRUE(h.focused().runScanCommand());
    EXPECT_EQ(h.duplicates().phaseName(), QStringLiteral("scanning"));
    EXPECT_EQ(h.largeFiles().phaseName(), QStringLiteral("idle"));
    ASSERT_TRUE(h.settle([&] { return h.duplicates().phaseName() == QStringLiteral("results"); }));

    // A page made anew starts on Large & Old again.
    ASSERT_TRUE(h.open(kPageSize));
    EXPECT_EQ(h.page()->property("tool").toString(), QStringLiteral("Large & Old"));
    EXPECT_EQ(h.toolScreen()->objectName(), QStringLiteral("largeFilesView"));
}

} // namespace
} // namespace qm
