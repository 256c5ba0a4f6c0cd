#include "support/EntryIdentity.h"

#include <sys/stat.h>

namespace qm::test {

std::pair<dev_t, ino_t> identity(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0)
        return {0, 0};
    return {st.st_dev, st.st_ino};
}

bool present(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace qm::test
