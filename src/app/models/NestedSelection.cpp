#include "app/models/NestedSelection.h"

#include "core/model/Formatting.h"

#include <algorithm>
#include <set>

namespace qm {

void NestedSelection::toggle(const SizedEntry& entry)
{
    const auto found = m_items.find(entry.url.native());
    if (found != m_items.end())
        m_items.erase(found);
    else
        m_items.emplace(entry.url.native(), SelectedItem::from(entry));
}

bool NestedSelection::clear()
{
    if (m_items.empty())
        return false;
    m_items.clear();
    return true;
}

bool NestedSelection::refresh(const SizedEntry& entry)
{
    const auto selected = m_items.find(entry.url.native());
    if (selected == m_items.end())
        return false;
    selected->second = SelectedItem::from(entry);
    return true;
}

bool NestedSelection::dropRemoved(const CleanReport& report)
{
    std::set<Path::string_type> removed;
    for (const TrashedItem& item : report.trashed)
        removed.insert(FileSystem::resolveLinks(item.original).native());
    const auto wasRemoved = [&](const Path::string_type& key) {
        const Path::string_type path = FileSystem::resolveLinks(Path(key)).native();
        for (std::size_t slash = path.size(); slash != Path::string_type::npos && slash > 0;
             slash = path.rfind('/', slash - 1)) {
            if (removed.contains(path.substr(0, slash)))
                return true;
        }
        return false;
    };
    const std::size_t before = m_items.size();
    std::erase_if(m_items, [&](const auto& selected) { return wasRemoved(selected.first); });
    return m_items.size() != before;
}

std::vector<SelectedItem> NestedSelection::effective() const
{
    std::set<Path::string_type> resolved;
    for (const auto& [key, item] : m_items)
        resolved.insert(item.resolvedPath.native());
    std::vector<SelectedItem> result;
    for (const auto& [key, item] : m_items) {
        // Inside another selected item when one of its proper folder prefixes is selected too.
        const Path::string_type& own = item.resolvedPath.native();
        bool inside = false;
        for (std::size_t slash = own.find('/', 1); slash != Path::string_type::npos && !inside;
             slash = own.find('/', slash + 1))
            inside = resolved.contains(own.substr(0, slash));
        if (!inside)
            result.push_back(item);
    }
    std::stable_sort(result.begin(), result.end(), [](const SelectedItem& a, const SelectedItem& b) {
        return a.resolvedPath.native() < b.resolvedPath.native();
    });
    return result;
}

QString NestedSelection::formattedEffective() const
{
    qint64 sum = 0;
    for (const SelectedItem& item : effective())
        sum += item.bytes;
    return Formatting::byteCount(sum);
}

} // namespace qm
