#include "core/cloud/CloudCleanup.h"

#include <algorithm>

namespace qm::CloudCleanup {

Freed freedBytes(const LocalBytesByPath& before, const LocalBytesByPath& after, bool afterPartial)
{
    Freed freed;
    for (const auto& [path, pre] : before) {
        const auto found = after.find(path);
        const qint64 post = found != after.end() ? found->second : 0;
        freed.bytes += std::max<qint64>(0, pre - post);
    }
    freed.exact = !afterPartial;
    return freed;
}

} // namespace qm::CloudCleanup
