#include "app/shell/QuillmereApp.h"

#include "app/models/BatteryPoller.h"
#include "app/models/PerformanceViewModel.h"
#include "app/models/StatisticsLoop.h"
#include "app/platform/DesktopOpenFailures.h"
#include "app/shell/ModuleModels.h"
#include "app/shell/ProductLinks.h"
#include "core/permissions/FullDiskAccess.h"
#include "core/system/MacHealth.h"
#include "platform/SoftwareUpdater.h"

#include <QDesktopServices>
#include <QPointer>
#include <QQmlEngine>
#include <QSettings>

#include <utility>

namespace qm {
namespace {

const QString kOnboardingKey = QStringLiteral("hasSeenPermissionsOnboarding");

QSettings userSettings()
{
    return QSettings(QStringLiteral("Vellora"), QStringLiteral("Quillmere"));
}

} // namespace

QuillmereApp::QuillmereApp(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services)),
      m_firstFrame(m_services.firstFrame != nullptr ? m_services.firstFrame : &m_shownFrame)
{
    if (!m_services.fullDiskAccessProbe)
        m_services.fullDiskAccessProbe = [] { return FullDiskAccess::isGranted(); };
    if (!m_services.openUrl)
        m_services.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    if (!m_services.storageReader)
        m_services.storageReader = &MacHealth::current;
    connect(&DesktopOpenFailures::instance(), &DesktopOpenFailures::failed, this, &QuillmereApp::openFailed);
    m_services.updater.start();
}

QuillmereApp::~QuillmereApp() = default;

bool QuillmereApp::hasSeenPermissionsOnboarding() const
{
    return userSettings().value(kOnboardingKey, false).toBool();
}

void QuillmereApp::setHasSeenPermissionsOnboarding(bool seen)
{
    if (seen == hasSeenPermissionsOnboarding())
        return;
    QSettings settings = userSettings();
    settings.setValue(kOnboardingKey, seen);
    settings.sync();
    emit hasSeenPermissionsOnboardingChanged();
}

QString QuillmereApp::version() const
{
    return QStringLiteral(QM_APP_VERSION);
}

QString QuillmereApp::aboutCreditsHtml() const
{
    return ProductLinks::aboutCreditsHtml();
}

bool QuillmereApp::isFullDiskAccessGranted() const
{
    return m_services.fullDiskAccessProbe();
}

void QuillmereApp::checkForUpdates()
{
    m_services.updater.checkForUpdates();
}

void QuillmereApp::openGuide() const
{
    open(ProductLinks::guideURL());
}

void QuillmereApp::openSupport() const
{
    open(ProductLinks::supportURL());
}

void QuillmereApp::open(const QUrl& url) const
{
    if (!m_services.openUrl(url))
        DesktopOpenFailures::instance().addressNotOpened(url);
}

void QuillmereApp::openLink(const QUrl& url) const
{
    const QString scheme = url.scheme();
    if (url.isValid() && (scheme == QLatin1String("https") || scheme == QLatin1String("http")))
        open(url);
}

ModuleModels* QuillmereApp::createModuleModels(QObject* owner)
{
    ModuleModels::Services services{m_services.clock, m_services.activity, m_services.storageReader};
    services.diskVolume = m_services.diskVolume;
    services.folderPicker = m_services.folderPicker;
    services.firstFrame = m_firstFrame;
    auto* models = new ModuleModels(services, owner);
    QQmlEngine::setObjectOwnership(models, QQmlEngine::CppOwnership);
    return models;
}

StatisticsLoop* QuillmereApp::createPerformanceStatsLoop(PerformanceViewModel* model, QObject* owner)
{
    auto sample = [model = QPointer<PerformanceViewModel>(model)](std::function<void()> finished) {
        if (model != nullptr)
            model->refreshStats(std::move(finished));
    };
    auto* loop = new StatisticsLoop(m_services.clock, m_services.activity, StatisticsLoop::kPerformancePause,
                                    std::move(sample), owner);
    QQmlEngine::setObjectOwnership(loop, QQmlEngine::CppOwnership);
    return loop;
}

BatteryPoller* QuillmereApp::createBatteryPoller(QObject* owner)
{
    auto* poller = new BatteryPoller(
        BatteryPoller::Services{m_services.clock, m_services.activity, m_services.powerSupplyRoot}, owner);
    QQmlEngine::setObjectOwnership(poller, QQmlEngine::CppOwnership);
    return poller;
}

void QuillmereApp::releaseLoop(QObject* loop)
{
    if (loop != nullptr)
        loop->deleteLater();
}

} // namespace qm
