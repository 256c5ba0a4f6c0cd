#pragma once

#include <sys/types.h>

#include <filesystem>
#include <utility>

namespace qm::test {

// Device and inode of the entry itself (a symbolic link is not followed); (0, 0) when it is missing.
std::pair<dev_t, ino_t> identity(const std::filesystem::path& path);

// Whether the entry itself exists (a dangling symbolic link counts).
bool present(const std::filesystem::path& path);

} // namespace qm::test
