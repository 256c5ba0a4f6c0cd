#include "app/shell/ModuleModels.h"

#include <QPointer>

#include <functional>

namespace qm {

ModuleModels::ModuleModels(const Services& services, QObject* parent)
    : QObject(parent), m_restoreTracker(std::make_unique<RestoreTracker>()),
      m_smartScan(std::make_unique<SmartScanViewModel>([&] {
          SmartScanViewModel::Services smartScan{services.clock};
          smartScan.restoreTracker = m_restoreTracker.get();
          return smartScan;
      }())),
      m_health(std::make_unique<MacHealthViewModel>(
          MacHealthViewModel::Services{services.clock, std::nullopt, std::nullopt, services.storageReader})),
      m_cleanup(std::make_unique<CleanupViewModel>([&] {
          CleanupViewModel::Services cleanup{services.clock};
          cleanup.restoreTracker = m_restoreTracker.get();
          return cleanup;
      }())),
      m_applications(std::make_unique<ApplicationsViewModel>([&] {
          ApplicationsViewModel::Services applications{services.clock};
          applications.restoreTracker = m_restoreTracker.get();
          return applications;
      }())),
      m_largeFiles(std::make_unique<LargeFilesViewModel>([&] {
          LargeFilesViewModel::Services largeFiles{services.clock};
          largeFiles.restoreTracker = m_restoreTracker.get();
          largeFiles.folderPicker = services.folderPicker;
          return largeFiles;
      }())),
      m_duplicates(std::make_unique<DuplicatesViewModel>([&] {
          DuplicatesViewModel::Services duplicates{services.clock};
          duplicates.restoreTracker = m_restoreTracker.get();
          duplicates.folderPicker = services.folderPicker;
          return duplicates;
      }())),
      m_spaceLens(std::make_unique<SpaceLensViewModel>([&] {
          SpaceLensViewModel::Services spaceLens{services.clock};
          spaceLens.restoreTracker = m_restoreTracker.get();
          spaceLens.folderPicker = services.folderPicker;
          return spaceLens;
      }())),
      m_disk(std::make_unique<DiskViewModel>(
          DiskViewModel::Services{DiskUsageScanner(Places::current(), services.diskVolume)})),
      m_cloud(std::make_unique<CloudCleanupViewModel>()), m_privacy(std::make_unique<PrivacyViewModel>([&] {
          PrivacyViewModel::Services privacy{services.clock};
          privacy.restoreTracker = m_restoreTracker.get();
          return privacy;
      }())),
      m_malware(std::make_unique<MalwareViewModel>([&] {
          MalwareViewModel::Services malware{services.clock};
          malware.restoreTracker = m_restoreTracker.get();
          return malware;
      }())),
      m_performance(std::make_unique<PerformanceViewModel>([&] {
          PerformanceViewModel::Services performance{services.clock};
          performance.restoreTracker = m_restoreTracker.get();
          return performance;
      }())),
      m_helper(std::make_unique<HelperClient>(services.helperServices
                                                  ? services.helperServices(services.clock)
                                                  : HelperClient::systemServices(services.clock)))
{
    // The malware model keeps only a weak reference; this container owns the client.
    m_malware->setHelper(m_helper.get());
    const auto start = [this, &clock = services.clock, &activity = services.activity,
                        reader = services.storageReader] { startAfterFirstFrame(clock, activity, reader); };
    if (services.firstFrame != nullptr)
        services.firstFrame->whenShown(this, start);
    else
        start();
}

void ModuleModels::startAfterFirstFrame(Clock& clock, AppActivity& activity,
                                        StorageMonitor::Reader storageReader)
{
    m_storage = std::make_unique<StorageMonitor>(clock, activity, std::move(storageReader));
    emit storageChanged();
    // Started, not awaited: the call runs on the next turn of the event loop, and not at all if the
    // container is gone by then.
    QMetaObject::invokeMethod(m_helper.get(), &HelperClient::refreshRegistrationIfAppChanged,
                              Qt::QueuedConnection);
}

ModuleModels::~ModuleModels() = default;

std::optional<ScanCommand> ModuleModels::scanCommand(QuillmereModule module)
{
    const QPointer<ModuleModels> self(this);
    // Each action looks its model up when it runs, never when the command is made.
    const auto command = [&self, module](std::function<void(ModuleModels&)> run) {
        return ScanCommand{QuillmereModules::title(module), [self, run = std::move(run)] {
                               if (self)
                                   run(*self);
                           }};
    };
    switch (module) {
    case QuillmereModule::smartScan:
        return command([](ModuleModels& m) { m.smartScan()->scan(); });
    case QuillmereModule::health:
        return command([](ModuleModels& m) { m.health()->refresh(); });
    case QuillmereModule::cleanup:
        return command([](ModuleModels& m) { m.cleanup()->scan(false); });
    case QuillmereModule::performance:
        return command([](ModuleModels& m) { m.performance()->load(); });
    case QuillmereModule::applications:
        return command([](ModuleModels& m) { m.applications()->refresh(); });
    case QuillmereModule::spaceLens:
        return command([](ModuleModels& m) { m.spaceLens()->load(); });
    case QuillmereModule::disk:
        return command([](ModuleModels& m) { m.disk()->load(); });
    case QuillmereModule::cloud:
        return command([](ModuleModels& m) { m.cloud()->scan(); });
    case QuillmereModule::protection:
    case QuillmereModule::files:
    case QuillmereModule::battery:
        return std::nullopt;
    }
    return std::nullopt;
}

void ModuleModels::publishScanCommand(FocusedValues* focused, const QString& moduleId)
{
    if (focused == nullptr)
        return;
    const std::optional<QuillmereModule> module = QuillmereModules::fromRawValue(moduleId);
    focused->setScanCommand(module ? scanCommand(*module) : std::nullopt);
}

} // namespace qm
