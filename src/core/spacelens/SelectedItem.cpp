#include "core/spacelens/SelectedItem.h"

namespace qm {

SelectedItem SelectedItem::from(const SizedEntry& entry)
{
    return SelectedItem{entry.url, entry.name, entry.bytes, FileSystem::resolveLinks(entry.url)};
}

} // namespace qm
