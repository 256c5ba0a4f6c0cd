#pragma once

#include "core/files/SizedEntry.h"
#include "core/model/CleanReport.h"
#include "core/spacelens/SelectedItem.h"
#include "platform/FileSystem.h"

#include <QString>

#include <map>
#include <vector>

namespace qm {

// The space lens's selection, which may span folders: one record per selected entry, keyed by its
// path as listed (raw bytes). Whether an entry may be selected at all is the owner's call (the removal
// rule); this class only keeps the records and answers on them. A plain value.
class NestedSelection
{
public:
    const std::map<Path::string_type, SelectedItem>& items() const { return m_items; }
    int size() const { return int(m_items.size()); }
    bool empty() const { return m_items.empty(); }
    bool contains(const Path& path) const { return m_items.contains(path.native()); }

    // Selects `entry`, or deselects it when it is selected.
    void toggle(const SizedEntry& entry);
    // Drops every record; false when there was none.
    bool clear();
    // An entry measured again: its record, if any, takes the fresh size and resolves its path again.
    // False when the entry is not selected.
    bool refresh(const SizedEntry& entry);
    // Drops every record that lies at or inside an item `report` moved to the Trash, judged by where
    // each really is (symbolic links resolved on disk); false when none was dropped.
    bool dropRemoved(const CleanReport& report);

    // The records less every one that lies inside another selected item (by resolved path), ordered by
    // resolved path, then by path as listed.
    std::vector<SelectedItem> effective() const;
    // The summed bytes of `effective` as a file-style byte count ("0 KB" when empty).
    QString formattedEffective() const;

private:
    std::map<Path::string_type, SelectedItem> m_items;
};

} // namespace qm
