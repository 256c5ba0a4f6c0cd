#include "core/model/CleanReport.h"

#include "core/model/Formatting.h"

namespace qm {

QString CleanReport::formattedFreed() const
{
    qint64 sum = 0;
    for (const TrashedItem& item : trashed)
        sum += item.bytes;
    return Formatting::byteCount(sum);
}

std::vector<CleanFailure> CleanReport::permissionDenied() const
{
    std::vector<CleanFailure> denied;
    for (const CleanFailure& failure : failureDetails) {
        if (failure.isPermissionDenied)
            denied.push_back(failure);
    }
    return denied;
}

std::set<Path::string_type> CleanReport::trashedOriginals() const
{
    std::set<Path::string_type> paths;
    for (const TrashedItem& item : trashed)
        paths.insert(item.original.native());
    return paths;
}

} // namespace qm
