#include "core/cleaning/RootOnlyPath.h"

#include <sys/stat.h>
#include <unistd.h>

namespace qm::RootOnlyPath {

bool denies(const Path& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (st.st_uid == ::geteuid())
        return false;
    return (st.st_mode & S_IROTH) == 0;
}

} // namespace qm::RootOnlyPath
