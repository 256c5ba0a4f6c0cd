#pragma once

#include "ScreenHarness.h"
#include "app/models/CloudCleanupViewModel.h"
#include "support/FakeCloudDrive.h"
#include "support/TempTree.h"

#include <filesystem>
#include <memory>

namespace qm::test {

// The Cloud Cleanup page in a window of this process, on the module's backdrop and tint, drawn from
// the real Cloud Cleanup model over either this machine's cloud drive (none) or a fake drive whose
// folder, "iCloud", lies in a temp tree. Build the fixture first, then `open`; finding, clicking and
// waiting are the screen harness's.
class CloudScreenHarness : public ScreenHarness
{
public:
    // `withFakeDrive`: the fake drive reporting `root()`; otherwise the real one.
    explicit CloudScreenHarness(bool withFakeDrive);
    // Waits for every pool job before the fixture goes.
    ~CloudScreenHarness();
    CloudScreenHarness(const CloudScreenHarness&) = delete;
    CloudScreenHarness& operator=(const CloudScreenHarness&) = delete;

    TempTree& tree() { return m_tree; }
    std::filesystem::path root() const { return m_tree.path("iCloud"); }
    // Null with the real drive.
    FakeCloudDrive* drive() const { return m_drive.get(); }
    // A file in the drive's folder that the cloud already holds.
    std::filesystem::path uploaded(const std::filesystem::path& relative, qint64 size);

    // Makes the model and shows the page in a window of `size` logical pixels; false, with the QML
    // errors in `errors()`, when it did not load.
    bool open(QSize size);
    CloudCleanupViewModel& model() { return *m_model; }

private:
    TempTree m_tree;
    std::shared_ptr<FakeCloudDrive> m_drive;
    std::unique_ptr<CloudCleanupViewModel> m_model;
};

} // namespace qm::test
