#include "app/models/ApplicationFilterModel.h"

#include "app/models/ApplicationListModel.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace qm {
namespace {

InstalledApp app(const char* url, const QString& name, const QString& bundleID, qint64 bytes)
{
    return InstalledApp{Path(url), name, bundleID, {}, bytes, {}};
}

std::vector<QString> namesOf(const std::vector<InstalledApp>& apps)
{
    std::vector<QString> names;
    for (const InstalledApp& a : apps)
        names.push_back(a.name);
    return names;
}

// The inventory of a listing: "Quillmere" is this program.
std::vector<InstalledApp> listing()
{
    return {
        app("/a/cafe.desktop", QStringLiteral("Caf\u00e9 Notes"), QStringLiteral("org.example.Notes"), 10),
        app("/a/self.desktop", QStringLiteral("Quillmere"), QStringLiteral("quillmere"), 999),
        app("/a/editor.desktop", QStringLiteral("Editor"), QStringLiteral("org.example.Editor"), 30),
        app("/a/player.desktop", QStringLiteral("Player"), QStringLiteral("net.cafe.Player"), 30),
        app("/a/tiny.desktop", QStringLiteral("Tiny"), QStringLiteral("tiny"), 50),
    };
}

struct Fixture
{
    ApplicationListModel list;
    ApplicationFilterModel shown{list,
                                 [](const InstalledApp& a) { return a.name == QStringLiteral("Quillmere"); }};
};

TEST(ApplicationFilterModelTest, KeepsMatchesByNameOrIdentifierWithoutThisProgramInListingOrSizeOrder)
{
    Fixture f;
    f.list.replace(listing());
    EXPECT_EQ(f.shown.ownCount(), 1);

    struct Row
    {
        const char16_t* query;
        bool bySize;
        std::vector<QString> names;
    };
    const QString cafe = QStringLiteral("Caf\u00e9 Notes");
    const Row rows[] = {
        {u"", false, {cafe, QStringLiteral("Editor"), QStringLiteral("Player"), QStringLiteral("Tiny")}},
        // Equal sizes keep listing order.
        {u"", true, {QStringLiteral("Tiny"), QStringLiteral("Editor"), QStringLiteral("Player"), cafe}},
        {u"CAFE", false, {cafe, QStringLiteral("Player")}}, // by identifier too
        {u"caf\u00c9", false, {cafe, QStringLiteral("Player")}},
        {u"\u00e9 n", false, {cafe}}, // a blank matches a blank
        {u"example", true, {QStringLiteral("Editor"), cafe}},
        {u"quill", false, {}}, // this program, also when it matches
        {u" tiny", false, {}}, // never trimmed
        {u"tiny ", true, {}},
    };
    for (const Row& row : rows) {
        const QString query = QString::fromUtf16(row.query);
        f.shown.setQuery(query);
        f.shown.setSortBySize(row.bySize);
        EXPECT_EQ(namesOf(f.shown.rows()), row.names) << "\"" << query.toStdString() << "\" " << row.bySize;
        EXPECT_EQ(f.shown.count(), int(row.names.size()));
    }
}

TEST(ApplicationFilterModelTest, FollowsTheRowsThroughSizesAndRenames)
{
    Fixture f;
    f.list.replace(listing());
    f.shown.setSortBySize(true);
    QSignalSpy updates(&f.shown, &QAbstractItemModel::dataChanged);

    // A size batch moves rows; a new tie falls in listing order, also when the moved row is listed
    // before the one it now ties with.
    std::vector<InstalledApp> apps = listing();
    apps[3].sizeBytes = 50; // Player ties with Tiny, listed after it
    apps[0].sizeBytes = 30; // Café Notes ties with Editor, listed before it
    f.list.replace(apps);
    EXPECT_EQ(namesOf(f.shown.rows()),
              (std::vector<QString>{QStringLiteral("Player"), QStringLiteral("Tiny"),
                                    QStringLiteral("Caf\u00e9 Notes"), QStringLiteral("Editor")}));
    EXPECT_GE(updates.count(), 1) << "views hear of the new sizes";
    const QModelIndex first = f.shown.index(0, 0);
    EXPECT_EQ(f.shown.data(first, ApplicationListModel::SizeBytesRole).toLongLong(), 50);

    // Renamed in place (the same bundles): found by the new name only, and one that becomes this
    // program goes.
    f.shown.setQuery(QStringLiteral("editeur"));
    EXPECT_EQ(f.shown.count(), 0);
    QSignalSpy counts(&f.shown, &ApplicationFilterModel::countChanged);
    apps[2].name = QStringLiteral("\u00c9diteur");
    f.list.replace(apps);
    EXPECT_EQ(namesOf(f.shown.rows()), (std::vector<QString>{QStringLiteral("\u00c9diteur")}));
    EXPECT_EQ(counts.count(), 1);
    f.shown.setQuery(QString());
    apps[4].name = QStringLiteral("Quillmere");
    f.list.replace(apps);
    EXPECT_EQ(f.shown.ownCount(), 2);
    EXPECT_EQ(namesOf(f.shown.rows()),
              (std::vector<QString>{QStringLiteral("Player"), QStringLiteral("Caf\u00e9 Notes"),
                                    QStringLiteral("\u00c9diteur")}));

    // Another listing: keys of its own.
    f.list.replace({app("/b/one.desktop", QStringLiteral("Caf\u00e9"), QString(), 0)});
    f.shown.setQuery(QStringLiteral("cafe"));
    EXPECT_EQ(f.shown.count(), 1);
    EXPECT_EQ(f.shown.ownCount(), 0);
}

} // namespace
} // namespace qm
