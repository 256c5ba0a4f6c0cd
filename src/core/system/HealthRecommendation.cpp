#include "core/system/HealthRecommendation.h"

namespace qm {

QString HealthRecommendation::id() const
{
    if (recurrenceKey.isEmpty())
        return title;
    return title + QLatin1Char('#') + recurrenceKey;
}

} // namespace qm
