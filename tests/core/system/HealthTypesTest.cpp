#include "core/system/HealthRecommendation.h"
#include "core/system/HealthSeverity.h"
#include "core/system/HealthTarget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace qm {
namespace {

TEST(HealthSeverity, OrderedByRawValueAndOnlyZeroToThreeConvert)
{
    const struct
    {
        int raw;
        std::optional<HealthSeverity> severity;
    } cases[] = {
        {std::numeric_limits<int>::min(), std::nullopt},
        {-1, std::nullopt},
        {0, HealthSeverity::unknown},
        {1, HealthSeverity::good},
        {2, HealthSeverity::warning},
        {3, HealthSeverity::critical},
        {4, std::nullopt},
        {std::numeric_limits<int>::max(), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HealthSeverities::fromRaw(c.raw), c.severity) << "raw " << c.raw;
        if (c.severity) {
            EXPECT_EQ(HealthSeverities::toRaw(*c.severity), c.raw);
        }
    }

    EXPECT_TRUE(std::is_sorted(HealthSeverities::all.begin(), HealthSeverities::all.end()));
    EXPECT_LT(HealthSeverity::unknown, HealthSeverity::good);
    EXPECT_LT(HealthSeverity::warning, HealthSeverity::critical);
    EXPECT_EQ(*std::max_element(HealthSeverities::all.begin(), HealthSeverities::all.end()),
              HealthSeverity::critical);
}

TEST(HealthTarget, StoredNamesAreTheCaseNamesExactly)
{
    const char* const names[] = {"smartScan", "cleanup", "performance", "battery", "files", "none"};
    ASSERT_EQ(std::size(names), HealthTargets::all.size());
    for (std::size_t i = 0; i < HealthTargets::all.size(); ++i) {
        const QString name = QString::fromLatin1(names[i]);
        EXPECT_EQ(HealthTargets::toRaw(HealthTargets::all[i]), name);
        EXPECT_EQ(HealthTargets::fromRaw(name), HealthTargets::all[i]) << names[i];
    }
    for (const char* other : {"", "None", "smartscan", "Smart Scan", " none", "none "})
        EXPECT_EQ(HealthTargets::fromRaw(QString::fromLatin1(other)), std::nullopt) << '"' << other << '"';
}

TEST(HealthRecommendation, IdIsTheTitleWithTheRecurrenceKeyWhenThereIsOne)
{
    HealthRecommendation rec;
    rec.title = QStringLiteral("Time to restart");
    EXPECT_EQ(rec.id(), QStringLiteral("Time to restart"));

    rec.recurrenceKey = QStringLiteral("2");
    EXPECT_EQ(rec.id(), QStringLiteral("Time to restart#2"));

    // The next week of uptime is another recommendation, so a dismissal of the last one no longer holds.
    HealthRecommendation nextWeek = rec;
    nextWeek.recurrenceKey = QStringLiteral("3");
    EXPECT_NE(nextWeek.id(), rec.id());
    EXPECT_NE(nextWeek, rec);

    // A title that itself holds "#" keeps it; only a non-empty key adds one.
    HealthRecommendation hashed;
    hashed.title = QStringLiteral("Disk #1");
    EXPECT_EQ(hashed.id(), QStringLiteral("Disk #1"));
}

TEST(HealthRecommendation, DefaultsAndFieldOrderMatchTheAssessment)
{
    const HealthRecommendation rec{
        QString(),
        QStringLiteral("Everything looks great"),
        QStringLiteral("No issues found. Your computer is clean, fast, and healthy."),
        HealthSeverity::good,
        QStringLiteral("Run Smart Scan"),
        HealthTarget::smartScan};
    EXPECT_EQ(rec.id(), QStringLiteral("Everything looks great"));
    EXPECT_EQ(rec.severity, HealthSeverity::good);
    EXPECT_EQ(rec.target, HealthTarget::smartScan);

    const HealthRecommendation blank;
    EXPECT_EQ(blank.severity, HealthSeverity::unknown);
    EXPECT_EQ(blank.target, HealthTarget::none);
    EXPECT_TRUE(blank.id().isEmpty());
}

} // namespace
} // namespace qm
