#pragma once

#include "core/model/JunkKind.h"
#include "core/model/ScanItem.h"

#include <vector>

namespace qm {

// One scanned kind of junk with its items (largest first) and whether part of it could not be
// read or measured, so the list or the sizes may be short.
struct JunkCategory
{
    enum class SelectionState { none, some, all };

    JunkKind kind = JunkKind::userCaches;
    std::vector<ScanItem> items;
    bool incomplete = false;

    // The kind's stored name; a list of categories holds each kind at most once.
    QString id() const { return JunkKinds::toRaw(kind); }
    // The selected items, in item order.
    std::vector<ScanItem> selectedItems() const;
    // `none` when there are no items or none is selected, `all` when every item is, else `some`.
    SelectionState selectionState() const;
    // Byte-count text of all items, and of the selected ones.
    QString formattedTotal() const;
    QString formattedSelected() const;
};

} // namespace qm
