#include "app/models/JunkSelection.h"

#include "app/models/JunkCategoryMaps.h"

#include <algorithm>
#include <utility>

namespace qm {

void JunkSelection::set(std::vector<JunkCategory> categories)
{
    m_categories = std::move(categories);
    m_list = JunkCategoryMaps::toList(m_categories);
}

void JunkSelection::setShown(std::vector<JunkCategory> categories)
{
    // Only categories with something to show or a coverage note stay listed.
    std::erase_if(categories, [](const JunkCategory& c) { return c.items.empty() && !c.incomplete; });
    set(std::move(categories));
}

bool JunkSelection::selectAll(bool selected)
{
    if (m_categories.empty())
        return false;
    std::vector<JunkCategory> categories = m_categories;
    for (JunkCategory& category : categories) {
        for (ScanItem& item : category.items)
            item.isSelected = selected;
    }
    set(std::move(categories));
    return true;
}

bool JunkSelection::setCategory(const QString& id, bool selected)
{
    const auto found = std::find_if(m_categories.begin(), m_categories.end(),
                                    [&](const JunkCategory& c) { return c.id() == id; });
    if (found == m_categories.end() || found->items.empty())
        return false;
    std::vector<JunkCategory> categories = m_categories;
    for (ScanItem& item : categories[std::size_t(found - m_categories.begin())].items)
        item.isSelected = selected;
    set(std::move(categories));
    return true;
}

bool JunkSelection::toggleCategory(const QString& id)
{
    const auto found = std::find_if(m_categories.begin(), m_categories.end(),
                                    [&](const JunkCategory& c) { return c.id() == id; });
    if (found == m_categories.end())
        return false;
    return setCategory(id, found->selectionState() != JunkCategory::SelectionState::all);
}

bool JunkSelection::toggleItem(const QString& categoryId, const QUuid& itemId)
{
    for (std::size_t c = 0; c < m_categories.size(); ++c) {
        if (m_categories[c].id() != categoryId)
            continue;
        const std::vector<ScanItem>& current = m_categories[c].items;
        for (std::size_t i = 0; i < current.size(); ++i) {
            if (current[i].id != itemId)
                continue;
            std::vector<JunkCategory> categories = m_categories;
            categories[c].items[i].isSelected = !categories[c].items[i].isSelected;
            set(std::move(categories));
            return true;
        }
        return false;
    }
    return false;
}

bool JunkSelection::prune(const std::set<Path::string_type>& trashed)
{
    std::vector<JunkCategory> categories = m_categories;
    for (JunkCategory& category : categories)
        std::erase_if(category.items,
                      [&](const ScanItem& item) { return trashed.contains(item.url.native()); });
    setShown(std::move(categories));
    return m_categories.empty();
}

std::vector<ScanItem> JunkSelection::selectedItems() const
{
    std::vector<ScanItem> selected;
    for (const JunkCategory& category : m_categories) {
        for (const ScanItem& item : category.items) {
            if (item.isSelected)
                selected.push_back(item);
        }
    }
    return selected;
}

int JunkSelection::selectedCount() const
{
    int count = 0;
    for (const JunkCategory& category : m_categories)
        count += int(std::count_if(category.items.begin(), category.items.end(),
                                   [](const ScanItem& item) { return item.isSelected; }));
    return count;
}

qint64 JunkSelection::selectedBytes() const
{
    qint64 bytes = 0;
    for (const JunkCategory& category : m_categories) {
        for (const ScanItem& item : category.items) {
            if (item.isSelected)
                bytes += item.bytes;
        }
    }
    return bytes;
}

int JunkSelection::totalItems() const
{
    int count = 0;
    for (const JunkCategory& category : m_categories)
        count += int(category.items.size());
    return count;
}

qint64 JunkSelection::totalBytes() const
{
    qint64 bytes = 0;
    for (const JunkCategory& category : m_categories) {
        for (const ScanItem& item : category.items)
            bytes += item.bytes;
    }
    return bytes;
}

} // namespace qm
