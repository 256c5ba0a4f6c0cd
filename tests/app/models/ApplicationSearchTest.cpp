#include "app/models/ApplicationSearch.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

InstalledApp app(const char* url, const QString& name, const QString& bundleID, qint64 bytes)
{
    return InstalledApp{Path(url), name, bundleID, {}, bytes, {}};
}

TEST(ApplicationSearchTest, KeepsMatchesByNameOrIdentifierWithoutThisProgramInListingOrSizeOrder)
{
    const std::vector<InstalledApp> apps{
        app("/a/cafe.desktop", QStringLiteral("Caf\u00e9 Notes"), QStringLiteral("org.example.Notes"), 10),
        app("/a/self.desktop", QStringLiteral("Quillmere"), QStringLiteral("quillmere"), 999),
        app("/a/editor.desktop", QStringLiteral("Editor"), QStringLiteral("org.example.Editor"), 30),
        app("/a/player.desktop", QStringLiteral("Player"), QStringLiteral("net.cafe.Player"), 30),
        app("/a/tiny.desktop", QStringLiteral("Tiny"), QStringLiteral("tiny"), 50),
    };
    ApplicationSearch search;
    search.rekey(apps, [](const InstalledApp& a) { return a.name == QStringLiteral("Quillmere"); });

    struct Row
    {
        QString query;
        bool bySize;
        std::vector<std::size_t> expected;
    };
    const Row rows[] = {
        {{}, false, {0, 2, 3, 4}},
        {{}, true, {4, 2, 3, 0}}, // ties keep listing order
        {QStringLiteral("CAFE"), false, {0, 3}},
        {QStringLiteral("example"), true, {2, 0}},
        {QStringLiteral("quill"), false, {}},
        {QStringLiteral(" tiny"), false, {}}, // never trimmed
    };
    for (const Row& row : rows)
        EXPECT_EQ(search.filtered(apps, row.query, row.bySize), row.expected) << row.query.toStdString();
    EXPECT_EQ(search.uninstallableCount(), 4);
    EXPECT_TRUE(search.isSelf(1));
    EXPECT_FALSE(search.isSelf(0));
}

} // namespace
} // namespace qm
