#pragma once

#include "HealthModelFixture.h"
#include "ScreenHarness.h"
#include "app/models/CloudCleanupViewModel.h"
#include "app/models/DiskViewModel.h"
#include "app/models/DuplicatesViewModel.h"
#include "app/models/LargeFilesViewModel.h"
#include "app/models/MalwareViewModel.h"
#include "app/models/RestoreTracker.h"
#include "app/models/SmartScanViewModel.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/FakeCloudDrive.h"
#include "support/FakeFolderPicker.h"
#include "support/FixtureHome.h"
#include "support/StepGate.h"
#include "support/TempTree.h"

#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>

namespace qm::test {

// The Smart Scan home in a window of this process, drawn from the real models a window holds: the
// Smart Scan model over a fixture home (the real junk scanner and Trash, a fake clock for the undo
// offer, a Full Disk Access probe the test answers and counts, and, when a test sets one, its own scan
// function); the health model over fake sources (HealthModelFixture); the Disk model over the fixture
// home with a fixed volume of 1 TB with 400 GB free; the large-file model whose search finds as many
// files as the test says; the duplicate finder over the home; the Cloud Cleanup model over a fake drive
// (no folder until the test gives it one); and the malware model with a scripted engine (each scan takes
// the next queued findings) and shipped definitions of version 7. The activity source is a fake; the
// page's navigate callback and its settings requests are recorded. Build the fixture, then `open`.
class SmartScanScreenHarness
{
public:
    SmartScanScreenHarness();
    // Lets held jobs go and waits for every pool job before the fixture goes.
    ~SmartScanScreenHarness();
    SmartScanScreenHarness(const SmartScanScreenHarness&) = delete;
    SmartScanScreenHarness& operator=(const SmartScanScreenHarness&) = delete;

    FixtureHome& home() { return m_home; }
    FakeClock& clock() { return m_clock; }
    // The restore tracker the models share, as the modules that undo through the Trash do.
    RestoreTracker& tracker() { return m_tracker; }
    FakeAppActivity& activity() { return m_activity; }
    HealthModelFixture& healthFacts() { return m_health; }
    // The junk scanner's and the Trash mover's file access pass through these gates.
    StepGate& scanGate() { return *m_scanGate; }
    StepGate& trashGate() { return *m_trashGate; }
    // What the Full Disk Access probe answers from now on, and how often it was asked.
    void setFullDiskAccess(bool granted) { m_access->granted = granted; }
    int accessProbes() const { return m_access->probes.load(); }
    // The Smart Scan model's scan from the next `open` on (empty: the real junk scan).
    void setScan(SmartScanViewModel::ScanFunction scan) { m_scan = std::move(scan); }
    // How many files the next large-file searches find (each 2 GB).
    void setLargeFileCount(int count) { m_largeFiles->count = count; }
    // The cloud drive's folder from now on (none: no provider); the folder lies in a temp tree.
    void setCloudFolder(bool present);
    // A file of `size` bytes in the cloud drive's folder.
    std::filesystem::path cloudFile(const std::filesystem::path& relative, qint64 size)
    {
        return m_cloudTree.file(cloudFolder() / relative, size);
    }
    FakeCloudDrive& cloudDrive() { return *m_drive; }
    std::filesystem::path cloudFolder() const { return m_cloudTree.path("iCloud"); }
    // How often the malware model read the XProtect status (once per definitions load).
    int xprotectReads() const { return m_malwareScript->xprotectReads.load(); }
    // Queues the findings of the next malware scan.
    void pushMalwareScan(std::vector<ThreatFinding> findings);

    // Makes the models (once) and shows the page in a window of `size` on the Smart Scan backdrop and
    // tint; a second call shows a new page over the same models, as a later visit does. False, with
    // the QML errors in `screen().errors()`, when it did not load.
    bool open(QSize size);
    // Destroys the page and its window, as leaving the module does; the models stay.
    void close() { m_screen.close(); }

    ScreenHarness& screen() { return m_screen; }
    const ScreenHarness& screen() const { return m_screen; }
    SmartScanViewModel& model() { return *m_smartScan; }
    MacHealthViewModel& health() { return m_health.model(); }
    DiskViewModel& disk() { return *m_disk; }
    LargeFilesViewModel& largeFiles() { return *m_largeFileModel; }
    DuplicatesViewModel& duplicates() { return *m_duplicates; }
    CloudCleanupViewModel& cloud() { return *m_cloud; }
    MalwareViewModel& malware() { return *m_malware; }

    // The module ids the page navigated to, in order.
    QStringList navigated() const;
    // Clicks the middle of `target`, scrolling the page to it first.
    void click(QQuickItem* target);
    // The first visible item named `objectName`, or null.
    QQuickItem* find(const QString& objectName) const { return m_screen.find(objectName); }
    // Runs the event loop until `done` holds or 30 s pass.
    template <typename Predicate> bool settle(Predicate done) { return m_screen.settle(done); }
    // Lets every pool job end and its results land.
    void drain();

private:
    struct Access
    {
        std::atomic<bool> granted{true};
        std::atomic<int> probes{0};
    };
    struct LargeFileAnswer
    {
        std::atomic<int> count{0};
    };
    struct MalwareScript
    {
        std::mutex mutex;
        std::deque<std::vector<ThreatFinding>> scans;
        std::atomic<int> xprotectReads{0};
    };

    void makeModels();

    FixtureHome m_home;
    TempTree m_system;
    TempTree m_cloudTree;
    // Where XDG_CACHE_HOME points while the harness lives.
    TempTree m_caches;
    FakeClock m_clock;
    FakeAppActivity m_activity;
    RestoreTracker m_tracker;
    HealthModelFixture m_health;
    std::shared_ptr<StepGate> m_scanGate = std::make_shared<StepGate>();
    std::shared_ptr<StepGate> m_trashGate = std::make_shared<StepGate>();
    std::shared_ptr<Access> m_access = std::make_shared<Access>();
    std::shared_ptr<LargeFileAnswer> m_largeFiles = std::make_shared<LargeFileAnswer>();
    std::shared_ptr<MalwareScript> m_malwareScript = std::make_shared<MalwareScript>();
    std::shared_ptr<FakeCloudDrive> m_drive;
    std::shared_ptr<FakeFolderPicker> m_picker = std::make_shared<FakeFolderPicker>();
    SmartScanViewModel::ScanFunction m_scan;

    std::unique_ptr<SmartScanViewModel> m_smartScan;
    std::unique_ptr<DiskViewModel> m_disk;
    std::unique_ptr<LargeFilesViewModel> m_largeFileModel;
    std::unique_ptr<DuplicatesViewModel> m_duplicates;
    std::unique_ptr<CloudCleanupViewModel> m_cloud;
    std::unique_ptr<MalwareViewModel> m_malware;
    // The window, the engine and Qt's warnings; it keeps gsettings on its memory back end.
    ScreenHarness m_screen;
};

} // namespace qm::test
