#pragma once

#include "platform/CloudDrive.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qm::test {

// A cloud drive confined to one folder of a test (a TempTree): it reports the root it was told, keeps
// per file (by its exact path bytes) whether it is uploaded, not uploaded or a dataless placeholder,
// and evicts for real: the file keeps its length but loses its allocated blocks (truncated to 0, then
// back to its length) and becomes dataless. It refuses any path outside its folder, anything that is
// not a regular file (a link is never followed), a dataless file and a file it was told to refuse (as
// if open in an application). Safe to call from several threads.
class FakeCloudDrive final : public CloudDrive
{
public:
    // `folder`: nothing outside it is ever touched; `root`: what `root()` reports (none: no provider).
    explicit FakeCloudDrive(Path folder, std::optional<Path> root = std::nullopt);

    void setRoot(std::optional<Path> root);
    // The upload state `path` answers from now on (unknown until set).
    void setUploadState(const Path& path, CloudUploadState state);
    // Makes the regular file at `path` a placeholder: its blocks go (unless `dropBlocks` is false, which
    // only marks it), its length stays, and it counts as dataless. Throws std::system_error when the
    // file cannot be changed.
    void makeDataless(const Path& path, bool dropBlocks = true);
    // The eviction of `path` fails from now on, leaving the file as it is.
    void refuseEviction(const Path& path);
    // Called (outside the lock, on the evicting thread) after each successful eviction.
    void onEvicted(std::function<void(const Path& path)> hook);
    // Called (outside the lock, on the asking thread) at the start of every `isDataless` question;
    // tests hold a scan there.
    void onDatalessQuestion(std::function<void(const Path& path)> hook);
    // Every path evicted so far, in order.
    std::vector<Path> evictions() const;

    std::optional<Path> root() const override;
    bool isDataless(const Path& path) const override;
    CloudUploadState uploadState(const Path& path) const override;
    Result<void> evict(const Path& path) const override;

private:
    bool inside(const Path& path) const;

    const Path m_folder;
    mutable std::mutex m_mutex;
    std::optional<Path> m_root;
    std::map<std::string, CloudUploadState> m_upload;
    mutable std::set<std::string> m_dataless; // grows with each eviction
    std::set<std::string> m_refused;
    std::function<void(const Path&)> m_evictedHook;
    std::function<void(const Path&)> m_questionHook;
    mutable std::vector<Path> m_evictions;
};

} // namespace qm::test
