#include "core/files/DuplicateGroup.h"

namespace qm {

qint64 DuplicateGroup::wastedBytes() const
{
    qint64 wasted = 0;
    for (std::size_t i = 1; i < files.size(); ++i) {
        if (!files[i].sharesInode)
            wasted += files[i].bytes;
    }
    return wasted;
}

} // namespace qm
