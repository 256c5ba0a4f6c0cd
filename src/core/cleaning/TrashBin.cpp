#include "core/cleaning/TrashBin.h"

#include "core/cleaning/FileErrors.h"
#include "platform/Trash.h"

#include <unistd.h>

namespace qm {
namespace {

constexpr qint64 kMaxWalkedElements = 200'001;

} // namespace

TrashBin::TrashBin(std::optional<Path> directory, FileSystem fs)
    : m_directory(directory ? std::move(*directory) : Trash::homeTrashFilesDirectory()), m_fs(std::move(fs))
{}

TrashBin::Summary TrashBin::summary() const
{
    const auto listing = m_fs.list(m_directory);
    if (!listing)
        return Summary{0, 0, FileErrors::isPermissionDenied(listing.error()), true};
    Summary summary;
    summary.count = qint64(listing->names.size());
    for (const Path& name : listing->names)
        summary.bytes += size(m_directory / name);
    return summary;
}

TrashBin::EmptyResult TrashBin::empty() const
{
    EmptyResult result;
    const auto listing = m_fs.list(m_directory);
    if (!listing) {
        result.listingFailed = true;
        return result;
    }
    for (const Path& name : listing->names) {
        const Path entry = m_directory / name;
        const qint64 bytes = size(entry);
        // Only an info file that already described the entry goes with it. An entry without one
        // leaves its name open: an info file appearing there while the entry is deleted is another
        // program's claim on the name for the item it is about to trash.
        const Path info = Trash::infoFileFor(entry);
        const bool described = !info.empty() && m_fs.exists(info);
        if (!m_fs.removeTree(entry)) {
            ++result.failures;
            continue;
        }
        ++result.removed;
        result.bytes += bytes;
        if (described)
            ::unlink(info.c_str());
    }
    return result;
}

qint64 TrashBin::size(const Path& entry) const
{
    const auto status = m_fs.status(entry);
    if (!status)
        return 0;
    if (!status->isDirectory())
        return status->allocated;

    qint64 total = 0;
    qint64 walked = 0;
    std::vector<Path> pending{entry};
    while (!pending.empty()) {
        const Path folder = std::move(pending.back());
        pending.pop_back();
        const auto listing = m_fs.list(folder);
        if (!listing)
            continue;
        for (const Path& name : listing->names) {
            if (walked >= kMaxWalkedElements)
                return total;
            ++walked;
            const Path child = folder / name;
            const auto childStatus = m_fs.status(child);
            if (!childStatus)
                continue;
            // A file system mounted inside the entry is not its to free: emptying never enters it
            // (and a stalled network mount must not hold the measurement), so it adds nothing.
            if (childStatus->id.device != status->id.device)
                continue;
            if (childStatus->isDirectory())
                pending.push_back(child);
            else
                total += childStatus->allocated;
        }
    }
    return total;
}

} // namespace qm
