#pragma once

#include "app/navigation/Navigator.h"
#include "app/shell/FirstFrame.h"
#include "app/shell/ReturnPressesButtons.h"
#include "core/disk/DiskUsageScanner.h"
#include "core/system/StorageMonitor.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace qm {

class AppActivity;
class BatteryPoller;
class Clock;
class FolderPicker;
class ModuleModels;
class PerformanceViewModel;
class StatisticsLoop;
class SoftwareUpdater;

// The application as the window sees it, one for the life of the process: the navigator, the update
// service (started when this is created), the "hasSeenPermissionsOnboarding" flag in the user
// settings, the Full Disk Access probe, and the services a window's view-model container runs on.
// The program passes the real services; tests pass fakes. Lives on the GUI thread.
class QuillmereApp : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The program creates the one QuillmereApp")
    Q_PROPERTY(qm::Navigator* navigator READ navigator CONSTANT)
    Q_PROPERTY(qm::AppActivity* activity READ activity CONSTANT)
    // Whether the window has shown its first frame; what starts at launch waits for it.
    Q_PROPERTY(qm::FirstFrame* firstFrame READ firstFrame CONSTANT)
    // The user-settings flag "hasSeenPermissionsOnboarding" (organisation "Vellora", application
    // "Quillmere"), false until written. Writing stores it at once.
    Q_PROPERTY(bool hasSeenPermissionsOnboarding READ hasSeenPermissionsOnboarding WRITE
                   setHasSeenPermissionsOnboarding NOTIFY hasSeenPermissionsOnboardingChanged)
    Q_PROPERTY(QString version READ version CONSTANT)
    // The About panel's credits as rich text, the support and guide addresses as links.
    Q_PROPERTY(QString aboutCreditsHtml READ aboutCreditsHtml CONSTANT)

public:
    // Opens a web address in the default browser and says whether a browser took it.
    using UrlOpener = std::function<bool(const QUrl&)>;

    // What the application runs on. `clock`, `activity` and `updater` must outlive the application
    // object; an empty function means the real one.
    struct Services
    {
        Clock& clock;
        AppActivity& activity;
        SoftwareUpdater& updater;
        // Whether the process may read the user's home folder (`FullDiskAccess::isGranted`).
        std::function<bool()> fullDiskAccessProbe;
        // The desktop's URL handler.
        UrlOpener openUrl;
        // Reads the home volume for the storage monitor (`MacHealth::current`).
        StorageMonitor::Reader storageReader;
        // Reads the home volume for the Disk page (`VolumeSpace::read`).
        DiskUsageScanner::VolumeReader diskVolume = {};
        // The folder under which the Battery page reads sys/class/power_supply.
        std::filesystem::path powerSupplyRoot = "/";
        // The file tools' and the space lens's folder chooser; null means the desktop's dialog.
        std::shared_ptr<FolderPicker> folderPicker = nullptr;
        // The window's first frame, which must outlive the application object; null means it counts
        // as shown already.
        FirstFrame* firstFrame = nullptr;
    };

    // Creates the navigator (on Smart Scan) and starts the update service.
    explicit QuillmereApp(Services services, QObject* parent = nullptr);
    ~QuillmereApp() override;

    Navigator* navigator() { return &m_navigator; }
    AppActivity* activity() const { return &m_services.activity; }
    FirstFrame* firstFrame() const { return m_firstFrame; }
    bool hasSeenPermissionsOnboarding() const;
    void setHasSeenPermissionsOnboarding(bool seen);
    QString version() const;
    QString aboutCreditsHtml() const;

    // Probes now whether the home folder can be read; every call probes again. There is no setting
    // to open for it: an unreadable folder is a matter of its owner and permissions.
    Q_INVOKABLE bool isFullDiskAccessGranted() const;
    // Asks the update service to check for a newer version.
    Q_INVOKABLE void checkForUpdates();
    // Open the product's user guide and support page; when no browser takes it, `openFailed` says so.
    Q_INVOKABLE void openGuide() const;
    Q_INVOKABLE void openSupport() const;
    // Opens a link of the About panel: only a web address (http or https) is opened.
    Q_INVOKABLE void openLink(const QUrl& url) const;

    // A new view-model container for one window's root view, owned by `owner` (destroyed with it; the
    // QML engine never collects it).
    Q_INVOKABLE qm::ModuleModels* createModuleModels(QObject* owner);
    // The Performance page's statistics loop over `model`'s `refreshStats`, on this application's
    // clock and activity, owned by `owner` (the page, which ends it with `releaseLoop` when it goes out of
    // view, or by being destroyed).
    Q_INVOKABLE qm::StatisticsLoop* createPerformanceStatsLoop(qm::PerformanceViewModel* model,
                                                               QObject* owner);
    // A new battery reading loop for one Battery page, owned by `owner` (the page, which ends it
    // with `releaseLoop` when it goes out of view, or by being destroyed). It runs on this application's
    // clock and activity source.
    Q_INVOKABLE qm::BatteryPoller* createBatteryPoller(QObject* owner);
    // Ends a reading loop one of the two calls above made (a page that goes out of view ends its loop
    // and makes a new one when it comes back): deleted once control returns to the event loop. Does
    // nothing for null.
    Q_INVOKABLE void releaseLoop(QObject* loop);

signals:
    void hasSeenPermissionsOnboardingChanged();
    // Nothing opened what the user asked to open (a link, a folder, an item to show, the release page):
    // the window says so with `title` and `message`, and shows `subject`, the address or path, for the
    // user to copy.
    void openFailed(const QString& title, const QString& message, const QString& subject);

private:
    // Opens `url` with the services' opener; tells `DesktopOpenFailures` when nothing takes it.
    void open(const QUrl& url) const;

    Services m_services;
    Navigator m_navigator;
    FirstFrame m_shownFrame;
    FirstFrame* m_firstFrame;
    // Return and Enter press the focused button in every window of the application.
    ReturnPressesButtons m_returnPressesButtons;
};

} // namespace qm
