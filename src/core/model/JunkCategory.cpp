#include "core/model/JunkCategory.h"

#include "core/model/Formatting.h"

#include <algorithm>

namespace qm {

std::vector<ScanItem> JunkCategory::selectedItems() const
{
    std::vector<ScanItem> selected;
    std::copy_if(items.begin(), items.end(), std::back_inserter(selected),
                 [](const ScanItem& item) { return item.isSelected; });
    return selected;
}

JunkCategory::SelectionState JunkCategory::selectionState() const
{
    const auto selected =
        std::count_if(items.begin(), items.end(), [](const ScanItem& i) { return i.isSelected; });
    if (selected == 0)
        return SelectionState::none;
    return std::size_t(selected) == items.size() ? SelectionState::all : SelectionState::some;
}

QString JunkCategory::formattedTotal() const
{
    qint64 sum = 0;
    for (const ScanItem& item : items)
        sum += item.bytes;
    return Formatting::byteCount(sum);
}

QString JunkCategory::formattedSelected() const
{
    qint64 sum = 0;
    for (const ScanItem& item : items) {
        if (item.isSelected)
            sum += item.bytes;
    }
    return Formatting::byteCount(sum);
}

} // namespace qm
