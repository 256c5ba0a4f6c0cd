#include "core/disk/DiskUsage.h"

#include <algorithm>

namespace qm::DiskUsage {

Assembled assemble(const std::vector<DiskCategory>& measured, qint64 totalUsed)
{
    qint64 sum = 0;
    for (const DiskCategory& category : measured)
        sum += category.bytes;
    Assembled out;
    out.categories = measured;
    out.categories.push_back(DiskCategory{QStringLiteral("System & Other"),
                                          std::max<qint64>(0, totalUsed - sum), kRemainderColor, std::nullopt,
                                          QStringLiteral("gearshape")});
    std::erase_if(out.categories, [](const DiskCategory& c) { return c.bytes < 1; });
    std::stable_sort(out.categories.begin(), out.categories.end(),
                     [](const DiskCategory& a, const DiskCategory& b) { return a.bytes > b.bytes; });
    out.overcounted = totalUsed < sum;
    return out;
}

} // namespace qm::DiskUsage
