#pragma once

#include <QtGlobal>

#include <filesystem>

namespace qm::test {

// The allocated size, in bytes, of everything below `dir` that is not a folder, as find(1) reports
// it: `find DIR ! -type d -printf '%b\n'`, summed and multiplied by 512. Independent of the code under
// test; it counts every name (a hard-linked file once per link), follows no symbolic link and does not
// stay on one file system. `dir` may also name a single file. Throws std::runtime_error when find
// cannot run or does not exit with status 0.
qint64 findAllocatedSize(const std::filesystem::path& dir);
// The same over regular files only (`find DIR -type f -printf '%b\n'`, summed, × 512).
qint64 findRegularFilesAllocatedSize(const std::filesystem::path& dir);
// The summed lengths of the regular files below `dir` (`find DIR -type f -printf '%s\n'`).
qint64 findRegularFilesLength(const std::filesystem::path& dir);

// What `du -s -B1 PATH` says: the allocated bytes of the path and everything below it, folders
// included (the path's own blocks too), each hard-linked inode once per call, no link followed. Throws
// std::runtime_error when du cannot run or fails (for instance on an unreadable folder).
qint64 duAllocatedSize(const std::filesystem::path& path);

} // namespace qm::test
