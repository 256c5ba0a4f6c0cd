#pragma once

#include "core/model/JunkCategory.h"

#include <QVariantList>
#include <QVariantMap>

#include <vector>

namespace qm::JunkCategoryMaps {

// One scanned category as the cleaning pages and the category card read it: a plain map with `id`
// and `kind` (the kind's stored name), `title`, `incomplete`, `count`, `selectedCount`,
// `selectionState` ("none", "some" or "all"), `selectionSummary` ("1 of 3 items selected",
// "3 items"), `formattedTotal`, `formattedSelected`, `sizeText` (the selected size when part is
// selected, else the total), and `items`: maps with `id` (the item's UUID without braces), `name`,
// `path` (display text only, never a name to act on), `bytes`, `bytesText`, `modified` (a date, or
// null) and `isSelected`. Reads nothing from disk.
QVariantMap toMap(const JunkCategory& category);
// `toMap` of every category, in order.
QVariantList toList(const std::vector<JunkCategory>& categories);

} // namespace qm::JunkCategoryMaps
