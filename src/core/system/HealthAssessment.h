#pragma once

#include "core/system/HealthRecommendation.h"

#include <optional>
#include <vector>

namespace qm {

// The health rules: turns a few measured facts about the machine (disk fullness, memory pressure,
// battery wear, login items, days since the last restart) into a score from 20 to 100 and an ordered
// list of recommendations. Pure and stateless; callable from any thread.
namespace HealthAssessment {

// The facts the rules read. A fact that could not be measured is passed as `hasDisk` / `hasMemory`
// false or an absent battery percentage, and its rule is skipped.
struct Input
{
    double diskUsedFraction = 0;   // used ÷ total bytes of the home volume, 0…1
    qint64 diskFreeBytes = 0;      // free bytes of the home volume
    bool hasDisk = false;          // the two disk figures are known
    double memoryUsedFraction = 0; // used ÷ physical memory, 0…1
    bool hasMemory = false;        // the memory figure is known
    int loginItemCount = 0;        // the user's login items
    // Maximum capacity as a percentage of design capacity; absent without a battery or a reading.
    std::optional<int> batteryHealthPercent;
    bool batteryServiceRecommended = false; // the system asks for battery service
    int uptimeDays = 0;                     // whole days since the system started

    bool operator==(const Input&) const = default;
};

// One assessment: the score (20…100) and the recommendations in display order.
struct Result
{
    int score = 100;
    std::vector<HealthRecommendation> recommendations;

    bool operator==(const Result&) const = default;
};

// Runs the disk, memory, battery, login-item and uptime rules in that order, adds the all-clear when
// nothing above `good` was found, sorts stably by severity (most serious first) and scores 100 less
// the penalties. Never fails; no input is rejected.
Result evaluate(const Input& input);

} // namespace HealthAssessment
} // namespace qm
