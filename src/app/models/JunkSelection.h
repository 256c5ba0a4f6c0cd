#pragma once

#include "core/model/JunkCategory.h"
#include "core/model/ScanItem.h"
#include "platform/FileSystem.h"

#include <QString>
#include <QUuid>
#include <QVariantList>

#include <set>
#include <vector>

namespace qm {

// The junk categories a scan found with the user's selection, as the Cleanup page and the Smart Scan
// home both hold them: the categories shown (those with items or a coverage note), their maps for
// QML, the selection operations and the sums. Every operation that changes something says so by
// returning true, so the owning model announces it. A plain value; reads nothing from disk.
class JunkSelection
{
public:
    const std::vector<JunkCategory>& categories() const { return m_categories; }
    // `JunkCategoryMaps::toList` of the categories, kept with them.
    const QVariantList& list() const { return m_list; }
    bool empty() const { return m_categories.empty(); }

    // Replaces the categories as given.
    void set(std::vector<JunkCategory> categories);
    // Replaces the categories with those of `categories` that have items or are incomplete.
    void setShown(std::vector<JunkCategory> categories);

    // Sets every item's selection; false when there is no category.
    bool selectAll(bool selected);
    // Sets the selection of every item of the category `id`; false for an unknown id or a category
    // without items.
    bool setCategory(const QString& id, bool selected);
    // Selects every item of the category `id`, or deselects them all when all were selected; false as
    // `setCategory`.
    bool toggleCategory(const QString& id);
    // Flips one item's selection; false for an unknown category or item.
    bool toggleItem(const QString& categoryId, const QUuid& itemId);
    // Takes the items whose paths are in `trashed` (raw bytes, compared byte for byte) out, then the
    // categories left with nothing to show; returns whether no category is left.
    bool prune(const std::set<Path::string_type>& trashed);

    // Every selected item, in category and item order.
    std::vector<ScanItem> selectedItems() const;
    int selectedCount() const;
    qint64 selectedBytes() const;
    int totalItems() const;
    qint64 totalBytes() const;

private:
    std::vector<JunkCategory> m_categories;
    QVariantList m_list;
};

} // namespace qm
