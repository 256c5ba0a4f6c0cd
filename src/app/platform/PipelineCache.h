#pragma once

#include <cstdint>
#include <filesystem>

namespace qm {

// Keeps the graphics pipelines Qt Quick builds (its linked shader programs) from one run of the
// program to the next, so that every start after the first skips compiling and linking them before
// the first frame: points Qt Quick's pipeline cache (QSG_RHI_PIPELINE_CACHE_LOAD and _SAVE) at one
// file, which Qt reads when the window's graphics start and writes when they end. The file lives in the
// program's state folder, not under the cache folder, whose contents the Cleanup page offers as junk.
// Qt's own shader cache under ~/.cache stays off. Touches nothing but the two variables and the folder.
class PipelineCache
{
public:
    // The largest file read; a larger one is not read, and is written over at the end of the run.
    static constexpr std::uintmax_t kLoadLimit = 8 * 1024 * 1024;

    // The program's folder for the cache in `stateHome` (the user's XDG state folder).
    static std::filesystem::path folderIn(const std::filesystem::path& stateHome);

    // Sets both variables to the file in `folder`, making the folder when it is missing, and returns the
    // file. Sets nothing and returns an empty path when the environment names either variable already
    // (the user's choice stays), when the folder cannot be made, or when the folder or the file is a
    // symbolic link or not a folder or a regular file (nothing is written through a link). Leaves the
    // load variable out when the file is larger than kLoadLimit. Call before the QGuiApplication exists.
    static std::filesystem::path use(const std::filesystem::path& folder);
};

} // namespace qm
