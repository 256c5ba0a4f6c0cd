#include "core/files/FileEntry.h"

#include <QByteArrayView>
#include <QHashFunctions>

namespace qm {

bool FileEntry::operator==(const FileEntry& other) const
{
    return id == other.id && url == other.url && name == other.name && bytes == other.bytes &&
           modified == other.modified && sharesInode == other.sharesInode && isSelected == other.isSelected;
}

std::size_t qHash(const FileEntry& entry, std::size_t seed) noexcept
{
    seed = qHashMulti(seed, entry.id, QByteArrayView(entry.url.native()), QByteArrayView(entry.name.native()),
                      entry.bytes, entry.modified.has_value());
    if (entry.modified)
        seed = qHashMulti(seed, *entry.modified);
    seed = qHashMulti(seed, entry.sharesInode, entry.isSelected);
    return seed;
}

} // namespace qm
