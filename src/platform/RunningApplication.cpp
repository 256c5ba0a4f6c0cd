#include "platform/RunningApplication.h"

#include <string_view>

namespace qm {

std::string RunningApplication::executableName() const
{
    constexpr std::string_view kDeleted = " (deleted)";
    std::string name = executable.filename().native();
    if (name.size() > kDeleted.size() && std::string_view(name).ends_with(kDeleted))
        name.resize(name.size() - kDeleted.size());
    return name;
}

} // namespace qm
