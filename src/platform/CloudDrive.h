#pragma once

#include "platform/FileSystem.h"
#include "platform/Result.h"

#include <optional>

namespace qm {

// Whether the cloud provider already holds a file's current contents.
enum class CloudUploadState {
    uploaded,    // the provider holds it: its local copy may be evicted
    notUploaded, // still only here, or still syncing
    unknown      // the provider could not say (not one of its items, or the question failed)
};

// The cloud-drive seam: where the user's cloud drive keeps its folder, which of its files are only
// placeholders, which are safely uploaded, and the eviction of a file's local copy (the file stays in
// the cloud and downloads again when opened). Every call is safe from any thread and answers from
// the file system at the moment it is asked; nothing is cached. Paths are raw bytes.
class CloudDrive
{
public:
    virtual ~CloudDrive();

    // The drive's folder on this machine, or none when no provider is set up. The folder need not
    // exist yet.
    virtual std::optional<Path> root() const = 0;
    // True when the entry at `path` (a link is not followed) is a dataless placeholder: its length
    // is the cloud copy's, and nothing of it is stored here. False for anything the drive does not
    // know.
    virtual bool isDataless(const Path& path) const = 0;
    // The upload state of the regular file at `path`.
    virtual CloudUploadState uploadState(const Path& path) const = 0;
    // Drops the local copy of the regular file at `path`, keeping it in the cloud. Fails when the
    // provider refuses (the file is open in an application, still syncing, outside the drive, not a
    // regular file); the file is then left as it was.
    virtual Result<void> evict(const Path& path) const = 0;
};

// This machine's cloud drive: there is no cloud-storage provider here, so there is no folder, nothing
// is a placeholder, no upload state is known and every eviction is refused. Reads nothing.
class SystemCloudDrive final : public CloudDrive
{
public:
    std::optional<Path> root() const override;
    bool isDataless(const Path& path) const override;
    CloudUploadState uploadState(const Path& path) const override;
    Result<void> evict(const Path& path) const override;
};

} // namespace qm
