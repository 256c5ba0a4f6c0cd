#pragma once

#include "app/models/ApplicationsViewModel.h"
#include "app/models/CleanupViewModel.h"
#include "app/models/CloudCleanupViewModel.h"
#include "app/models/DiskViewModel.h"
#include "app/models/DuplicatesViewModel.h"
#include "app/models/LargeFilesViewModel.h"
#include "app/models/MacHealthViewModel.h"
#include "app/models/MalwareViewModel.h"
#include "app/models/PerformanceViewModel.h"
#include "app/models/PrivacyViewModel.h"
#include "app/models/RestoreTracker.h"
#include "app/models/SmartScanViewModel.h"
#include "app/models/SpaceLensViewModel.h"
#include "app/navigation/FocusedValues.h"
#include "app/navigation/QuillmereModule.h"
#include "app/navigation/ScanCommand.h"
#include "app/shell/FirstFrame.h"
#include "core/helper/HelperClient.h"
#include "core/system/StorageMonitor.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <optional>

namespace qm {

class AppActivity;
class Clock;

// The one owner of every module's view model, the helper client and the storage monitor, for as long
// as the root view lives: switching modules recreates nothing, so each module keeps its results. It
// also knows which scan command the root view publishes for each module. Lives on the GUI thread.
class ModuleModels : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The root view gets its container from QuillmereApp.createModuleModels")
    Q_PROPERTY(qm::RestoreTracker* restoreTracker READ restoreTracker CONSTANT)
    Q_PROPERTY(qm::SmartScanViewModel* smartScan READ smartScan CONSTANT)
    Q_PROPERTY(qm::MacHealthViewModel* health READ health CONSTANT)
    Q_PROPERTY(qm::CleanupViewModel* cleanup READ cleanup CONSTANT)
    Q_PROPERTY(qm::ApplicationsViewModel* applications READ applications CONSTANT)
    Q_PROPERTY(qm::LargeFilesViewModel* largeFiles READ largeFiles CONSTANT)
    Q_PROPERTY(qm::DuplicatesViewModel* duplicates READ duplicates CONSTANT)
    Q_PROPERTY(qm::SpaceLensViewModel* spaceLens READ spaceLens CONSTANT)
    Q_PROPERTY(qm::DiskViewModel* disk READ disk CONSTANT)
    Q_PROPERTY(qm::CloudCleanupViewModel* cloud READ cloud CONSTANT)
    Q_PROPERTY(qm::PrivacyViewModel* privacy READ privacy CONSTANT)
    Q_PROPERTY(qm::MalwareViewModel* malware READ malware CONSTANT)
    Q_PROPERTY(qm::PerformanceViewModel* performance READ performance CONSTANT)
    Q_PROPERTY(qm::HelperClient* helper READ helper CONSTANT)
    // Null until the window has shown its first frame, then the one monitor.
    Q_PROPERTY(qm::StorageMonitor* storage READ storage NOTIFY storageChanged)

public:
    // What the container needs from the program: the clock and activity source the storage monitor
    // runs on (both must outlive the container) and how it reads the home volume (empty: the real
    // reading), which the health model's refreshes use too.
    struct Services
    {
        Clock& clock;
        AppActivity& activity;
        StorageMonitor::Reader storageReader;
        // The helper client's seams; empty means the real ones (systemd unit, pkexec, system bus).
        std::function<HelperClient::Services(Clock&)> helperServices = {};
        // How the Disk page's scanner reads the home volume; empty means statvfs.
        DiskUsageScanner::VolumeReader diskVolume = {};
        // The folder chooser of the two file tools and the space lens; null means the desktop's
        // folder dialog.
        std::shared_ptr<FolderPicker> folderPicker = nullptr;
        // The window's first frame, which must outlive the container; null means it counts as shown.
        FirstFrame* firstFrame = nullptr;
    };

    // Creates, in this order, the restore tracker the undoing models share, the twelve module models and
    // the helper client, and gives the malware model the helper. Once the window has shown its first
    // frame (at once when it has) it creates the storage monitor (which reads at once and starts its
    // timer) and queues one refresh of the helper's registration on this thread's event loop without
    // waiting for it.
    explicit ModuleModels(const Services& services, QObject* parent = nullptr);
    ~ModuleModels() override;

    // Shared by every model that undoes through the Trash, so that restoring and emptying never overlap.
    RestoreTracker* restoreTracker() const { return m_restoreTracker.get(); }
    SmartScanViewModel* smartScan() const { return m_smartScan.get(); }
    MacHealthViewModel* health() const { return m_health.get(); }
    CleanupViewModel* cleanup() const { return m_cleanup.get(); }
    ApplicationsViewModel* applications() const { return m_applications.get(); }
    LargeFilesViewModel* largeFiles() const { return m_largeFiles.get(); }
    DuplicatesViewModel* duplicates() const { return m_duplicates.get(); }
    SpaceLensViewModel* spaceLens() const { return m_spaceLens.get(); }
    DiskViewModel* disk() const { return m_disk.get(); }
    CloudCleanupViewModel* cloud() const { return m_cloud.get(); }
    PrivacyViewModel* privacy() const { return m_privacy.get(); }
    MalwareViewModel* malware() const { return m_malware.get(); }
    PerformanceViewModel* performance() const { return m_performance.get(); }
    HelperClient* helper() const { return m_helper.get(); }
    StorageMonitor* storage() const { return m_storage.get(); }

    // The scan command the root view publishes while `module`'s screen is shown: the module's title
    // as target and an action that fetches the module's model from this container when it runs (and
    // does nothing once the container is gone). Nothing for Protection and Files, whose screens
    // publish their own, and for Battery, which has none.
    std::optional<ScanCommand> scanCommand(QuillmereModule module);
    // Publishes the scan command of the module named `moduleId` into `focused`, or withdraws the
    // published one when that module has none here. An unknown id withdraws it too; a null `focused`
    // is ignored.
    Q_INVOKABLE void publishScanCommand(qm::FocusedValues* focused, const QString& moduleId);

signals:
    void storageChanged();

private:
    void startAfterFirstFrame(Clock& clock, AppActivity& activity, StorageMonitor::Reader storageReader);

    // First, so it outlives every model that holds a token of it.
    std::unique_ptr<RestoreTracker> m_restoreTracker;
    std::unique_ptr<SmartScanViewModel> m_smartScan;
    std::unique_ptr<MacHealthViewModel> m_health;
    std::unique_ptr<CleanupViewModel> m_cleanup;
    std::unique_ptr<ApplicationsViewModel> m_applications;
    std::unique_ptr<LargeFilesViewModel> m_largeFiles;
    std::unique_ptr<DuplicatesViewModel> m_duplicates;
    std::unique_ptr<SpaceLensViewModel> m_spaceLens;
    std::unique_ptr<DiskViewModel> m_disk;
    std::unique_ptr<CloudCleanupViewModel> m_cloud;
    std::unique_ptr<PrivacyViewModel> m_privacy;
    std::unique_ptr<MalwareViewModel> m_malware;
    std::unique_ptr<PerformanceViewModel> m_performance;
    std::unique_ptr<HelperClient> m_helper;
    std::unique_ptr<StorageMonitor> m_storage;
};

} // namespace qm
