#include "SmartScanScreenHarness.h"

#include "support/FakeAppLocator.h"
#include "support/ShippedDefinitions.h"

#include <QQmlProperty>
#include <QThreadPool>

namespace qm::test {
namespace {

// The page on the Smart Scan module's backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property SmartScanViewModel smartScan
    required property MacHealthViewModel health
    required property DiskViewModel disk
    required property LargeFilesViewModel largeFiles
    required property DuplicatesViewModel duplicates
    required property CloudCleanupViewModel cloud
    required property MalwareViewModel malware
    required property AppActivity appActivity
    property var navigated: []
    readonly property alias page: page

    function record(module) {
        navigated = navigated.concat([module])
    }

    BrandBackground {
        anchors.fill: parent
        module: "Smart Scan"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Smart Scan")
        SmartScanView {
            id: page
            objectName: "smartScanView"
            anchors.fill: parent
            model: host.smartScan
            health: host.health
            disk: host.disk
            largeFiles: host.largeFiles
            duplicates: host.duplicates
            cloud: host.cloud
            malware: host.malware
            navigate: host.record
            activity: host.appActivity
        }
    }
}
)";

constexpr qint64 kGB = 1'000'000'000;

} // namespace

SmartScanScreenHarness::SmartScanScreenHarness()
    : m_drive(std::make_shared<FakeCloudDrive>(m_cloudTree.root(), std::nullopt))
{
    // The graphics stack keeps shader and pipeline caches under XDG_CACHE_HOME; they go beside the
    // home rather than into its ~/.cache, which the junk scan reads (the home restores the variable).
    qputenv("XDG_CACHE_HOME", QByteArray(m_caches.root().c_str()));
}

SmartScanScreenHarness::~SmartScanScreenHarness()
{
    m_scanGate->release();
    m_trashGate->release();
    m_health.gate().release();
    m_screen.close();
    drain();
    m_smartScan.reset();
    m_disk.reset();
    m_largeFileModel.reset();
    m_duplicates.reset();
    m_cloud.reset();
    m_malware.reset();
    drain();
}

void SmartScanScreenHarness::setCloudFolder(bool present)
{
    if (present)
        m_cloudTree.folder("iCloud");
    m_drive->setRoot(present ? std::optional<Path>(cloudFolder()) : std::nullopt);
}

void SmartScanScreenHarness::pushMalwareScan(std::vector<ThreatFinding> findings)
{
    const std::lock_guard lock(m_malwareScript->mutex);
    m_malwareScript->scans.push_back(std::move(findings));
}

void SmartScanScreenHarness::makeModels()
{
    SmartScanViewModel::Services smart{m_clock};
    smart.scanner =
        CleanupScanner(FileSystem([gate = m_scanGate](FsStep step, const Path&) { gate->pass(step); }),
                       m_home.home(), m_system.root(), std::make_shared<FakeAppLocator>());
    smart.trash = Trash(FileSystem([gate = m_trashGate](FsStep step, const Path&) { gate->pass(step); }));
    smart.fullDiskAccess = [access = m_access] {
        ++access->probes;
        return access->granted.load();
    };
    smart.restoreTracker = &m_tracker;
    smart.scan = m_scan;
    m_smartScan = std::make_unique<SmartScanViewModel>(std::move(smart));

    const auto volume = [](const Path&) {
        return std::optional<VolumeSpace>(VolumeSpace{1000 * kGB, 400 * kGB, 400 * kGB});
    };
    m_disk = std::make_unique<DiskViewModel>(
        DiskViewModel::Services{DiskUsageScanner(m_home.home(), m_system.root(), volume), nullptr});

    LargeFilesViewModel::Services large{m_clock};
    large.home = m_home.home();
    large.search = [answer = m_largeFiles](const Path& root, qint64, std::optional<int>,
                                           const FileScanner::VisitSink&, std::stop_token) {
        FileScanner::LargeFiles found;
        for (int i = 0; i < answer->count.load(); ++i) {
            FileEntry entry;
            entry.name = Path("film" + std::to_string(i) + ".mov");
            entry.url = root / entry.name;
            entry.bytes = 2 * kGB;
            entry.modified = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
            found.entries.push_back(entry);
        }
        return found;
    };
    large.fullDiskAccess = [] { return true; };
    large.folderPicker = m_picker;
    large.restoreTracker = &m_tracker;
    m_largeFileModel = std::make_unique<LargeFilesViewModel>(std::move(large));

    DuplicatesViewModel::Services duplicates{m_clock};
    duplicates.home = m_home.home();
    FileScanner::Services scanning;
    scanning.home = m_home.home();
    duplicates.scanner = FileScanner(scanning);
    duplicates.fullDiskAccess = [] { return true; };
    duplicates.folderPicker = m_picker;
    duplicates.restoreTracker = &m_tracker;
    m_duplicates = std::make_unique<DuplicatesViewModel>(std::move(duplicates));

    m_cloud = std::make_unique<CloudCleanupViewModel>(CloudCleanupViewModel::Services{m_drive});

    MalwareViewModel::Services malware{m_clock};
    malware.home = m_home.home();
    malware.systemRoot = m_system.root();
    malware.scanner = [script = m_malwareScript](const MalwareDefinitions&,
                                                 const MalwareScanner::Progress& progress, std::stop_token) {
        MalwareScanner::Scan scan;
        {
            const std::lock_guard lock(script->mutex);
            if (!script->scans.empty()) {
                scan.findings = std::move(script->scans.front());
                script->scans.pop_front();
            }
        }
        if (progress)
            progress(1, 1);
        return scan;
    };
    malware.definitions = shippedDefinitionsOnly(m_home.path("no-cache"));
    malware.xprotect = [script = m_malwareScript] {
        ++script->xprotectReads;
        return std::optional<XProtectStatus>();
    };
    malware.restoreTracker = &m_tracker;
    m_malware = std::make_unique<MalwareViewModel>(std::move(malware));
}

bool SmartScanScreenHarness::open(QSize size)
{
    if (!m_smartScan)
        makeModels();
    return m_screen.open(
        kHostQml,
        {{QStringLiteral("smartScan"), QVariant::fromValue(m_smartScan.get())},
         {QStringLiteral("health"), QVariant::fromValue(&m_health.model())},
         {QStringLiteral("disk"), QVariant::fromValue(m_disk.get())},
         {QStringLiteral("largeFiles"), QVariant::fromValue(m_largeFileModel.get())},
         {QStringLiteral("duplicates"), QVariant::fromValue(m_duplicates.get())},
         {QStringLiteral("cloud"), QVariant::fromValue(m_cloud.get())},
         {QStringLiteral("malware"), QVariant::fromValue(m_malware.get())},
         {QStringLiteral("appActivity"), QVariant::fromValue(static_cast<AppActivity*>(&m_activity))}},
        size);
}

QStringList SmartScanScreenHarness::navigated() const
{
    if (m_screen.host() == nullptr)
        return {};
    return QQmlProperty::read(m_screen.host(), QStringLiteral("navigated")).toStringList();
}

void SmartScanScreenHarness::click(QQuickItem* target)
{
    if (target == nullptr || m_screen.window() == nullptr)
        return;
    m_screen.scrollIntoView(target);
    m_screen.click(target);
}

void SmartScanScreenHarness::drain()
{
    for (int round = 0; round < 10; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
}

} // namespace qm::test
