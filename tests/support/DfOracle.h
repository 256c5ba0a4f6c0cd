#pragma once

#include <QtGlobal>

#include <filesystem>

namespace qm::test {

// What `df -B1 --output=size,used,avail PATH` says of the file system holding `path`, in bytes. Used
// leaves out the blocks kept for root, which are not available either, so used + available may fall
// short of the size.
struct DfFigures
{
    qint64 size = 0;
    qint64 used = 0;
    qint64 available = 0;
};

// Runs /bin/df on `path`. Throws std::runtime_error when df cannot run, fails or prints something else.
DfFigures dfFigures(const std::filesystem::path& path);

} // namespace qm::test
