#include "app/models/ThreatSelection.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(ThreatSelection, OnlySelectedRemovableFindingsCountAndTheirBytesAreSummed)
{
    // (selected, removable, bytes) per finding, then the findings a clean would move and their size.
    const struct
    {
        std::vector<std::tuple<bool, bool, qint64>> findings;
        std::vector<std::size_t> moved;
        const char* formatted;
    } cases[] = {
        {{}, {}, "0 KB"},
        {{{true, true, 2000}}, {0}, "2 KB"},
        {{{true, false, 2000}, {false, true, 3000}}, {}, "0 KB"},
        {{{true, true, 1000}, {true, false, 5000}, {true, true, 4000}}, {0, 2}, "5 KB"},
    };
    for (const auto& c : cases) {
        std::vector<ThreatFinding> findings;
        for (const auto& [selected, removable, bytes] : c.findings) {
            ThreatFinding finding;
            finding.isSelected = selected;
            finding.removable = removable;
            finding.bytes = bytes;
            findings.push_back(finding);
        }
        std::vector<QUuid> expected;
        for (const std::size_t i : c.moved)
            expected.push_back(findings[i].id);
        std::vector<QUuid> moved;
        for (const ThreatFinding& finding : ThreatSelection::removableSelected(findings))
            moved.push_back(finding.id);
        EXPECT_EQ(moved, expected) << c.findings.size();
        EXPECT_EQ(ThreatSelection::formattedSelected(findings), QString::fromLatin1(c.formatted));
    }
}

TEST(ThreatSelection, ToggledFlipsOnlyTheFindingWithTheIdAndKnowsNoOther)
{
    std::vector<ThreatFinding> findings(3);
    findings[1].removable = false;
    const std::optional<std::vector<ThreatFinding>> once = ThreatSelection::toggled(findings, findings[1].id);
    ASSERT_TRUE(once);
    EXPECT_EQ(once->size(), 3u);
    EXPECT_FALSE((*once)[0].isSelected);
    EXPECT_TRUE((*once)[1].isSelected) << "a finding that cannot be removed is selectable too";
    EXPECT_FALSE((*once)[2].isSelected);
    const std::optional<std::vector<ThreatFinding>> twice = ThreatSelection::toggled(*once, findings[1].id);
    ASSERT_TRUE(twice);
    EXPECT_EQ(*twice, findings);
    EXPECT_FALSE(ThreatSelection::toggled(findings, QUuid::createUuid()));
}

} // namespace
} // namespace qm
