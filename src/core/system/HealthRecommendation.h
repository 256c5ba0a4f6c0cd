#pragma once

#include "core/system/HealthSeverity.h"
#include "core/system/HealthTarget.h"

#include <QString>

namespace qm {

// One recommendation of the health assessment: what to look at, why, how serious it is, the label of
// its button and the screen that button opens. A plain value; it does nothing by itself.
struct HealthRecommendation
{
    // Empty, except for reminders that come back over time (the restart reminders), where it tells
    // one occurrence from the next (the whole weeks of uptime, in decimal).
    QString recurrenceKey;
    QString title;
    // The explanation shown under the title.
    QString detail;
    HealthSeverity severity = HealthSeverity::unknown;
    // The text of its button.
    QString actionLabel;
    HealthTarget target = HealthTarget::none;

    bool operator==(const HealthRecommendation&) const = default;

    // The identity dismissals are recorded by: `title` alone when `recurrenceKey` is empty, otherwise
    // `title` + "#" + `recurrenceKey` ("Time to restart#2").
    QString id() const;
};

} // namespace qm
