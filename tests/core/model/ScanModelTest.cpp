#include "core/model/CleanReport.h"
#include "core/model/JunkCategory.h"
#include "core/model/JunkKind.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

ScanItem item(qint64 bytes, bool selected)
{
    ScanItem i;
    i.url = "/tmp/x";
    i.name = QStringLiteral("x");
    i.bytes = bytes;
    i.isSelected = selected;
    return i;
}

TEST(JunkKind, RawValuesAreExactAndTitlesFixed)
{
    const std::pair<JunkKind, std::pair<const char*, const char*>> table[] = {
        {JunkKind::userCaches, {"userCaches", "User Caches"}},
        {JunkKind::logs, {"logs", "Application Logs"}},
        {JunkKind::savedState, {"savedState", "Saved App State"}},
        {JunkKind::developerCaches, {"developerCaches", "Developer Caches"}},
        {JunkKind::appLeftovers, {"appLeftovers", "App Leftovers"}},
    };
    for (const auto& [kind, texts] : table) {
        EXPECT_EQ(JunkKinds::toRaw(kind), QLatin1String(texts.first));
        EXPECT_EQ(JunkKinds::title(kind), QLatin1String(texts.second));
        EXPECT_EQ(JunkKinds::fromRaw(QLatin1String(texts.first)), kind);
    }
    EXPECT_FALSE(JunkKinds::fromRaw(QStringLiteral("Logs")));
    EXPECT_FALSE(JunkKinds::fromRaw(QStringLiteral("")));
    EXPECT_EQ(JunkKinds::smartScanKinds(),
              (std::vector{JunkKind::userCaches, JunkKind::logs, JunkKind::savedState}));
}

TEST(JunkCategory, SelectionStateAndTotals)
{
    JunkCategory empty{JunkKind::logs, {}, false};
    EXPECT_EQ(empty.selectionState(), JunkCategory::SelectionState::none);
    EXPECT_EQ(empty.formattedTotal(), QStringLiteral("0 KB"));
    EXPECT_EQ(empty.id(), QStringLiteral("logs"));

    JunkCategory zeroes{JunkKind::logs, {item(0, true), item(0, true), item(5000, false)}, false};
    EXPECT_EQ(zeroes.selectionState(), JunkCategory::SelectionState::some);
    EXPECT_EQ(zeroes.formattedSelected(), QStringLiteral("0 KB"));
    EXPECT_EQ(zeroes.formattedTotal(), QStringLiteral("5 KB"));
    EXPECT_EQ(zeroes.selectedItems().size(), 2u);

    JunkCategory all{JunkKind::logs, {item(1000, true), item(2000, true)}, false};
    EXPECT_EQ(all.selectionState(), JunkCategory::SelectionState::all);
    JunkCategory none{JunkKind::logs, {item(1000, false)}, false};
    EXPECT_EQ(none.selectionState(), JunkCategory::SelectionState::none);
}

TEST(ScanItem, EqualityCoversEveryField)
{
    ScanItem a = item(10, false);
    ScanItem b = a;
    EXPECT_EQ(a, b);
    b.modified = QDateTime::fromMSecsSinceEpoch(0);
    EXPECT_NE(a, b); // an absent date differs from any present one
    ScanItem c = item(10, false);
    EXPECT_NE(a, c); // two scans make two items
}

TEST(CleanReport, FreedTextAndPermissionDenials)
{
    CleanReport report;
    EXPECT_EQ(report.formattedFreed(), QStringLiteral("0 KB"));
    report.failures = {QStringLiteral("Skipped for safety: a"), QStringLiteral("b: Permission denied")};
    report.failureDetails = {{"/a", QStringLiteral("a"), QStringLiteral("Skipped for safety"), false},
                             {"/b", QStringLiteral("b"), QStringLiteral("Permission denied"), true}};
    ASSERT_EQ(report.permissionDenied().size(), 1u);
    EXPECT_EQ(report.permissionDenied().front().name, QStringLiteral("b"));
    report.trashed.push_back(TrashedItem{QUuid::createUuid(), "/c", "/t/c", 1'500'000, std::nullopt, {}});
    EXPECT_EQ(report.formattedFreed(), QStringLiteral("1.5 MB"));
}

} // namespace
} // namespace qm
