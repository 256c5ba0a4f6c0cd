// The root helper daemon. The bus starts it on demand (through its systemd unit); it serves the helper
// interface until it is stopped and never exits by itself. Under a systemd watchdog it feeds the watchdog
// only while bus round trips still come back, so a helper that stopped serving the bus is restarted. Every
// location it acts on is fixed when it is built: the macros below come from the build, never from the
// environment or a request.
#include "helper/BusWatchdog.h"
#include "helper/HelperService.h"
#include "helper/HelperSettings.h"
#include "platform/CodeSigner.h"
#include "platform/ProcessRunner.h"
#include "protocol/HelperProtocol.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <csignal>
#include <cstdio>
#include <memory>

#if !defined(QM_HELPER_TRUSTED_CLIENT) || !defined(QM_HELPER_SYSTEM_ROOT) || !defined(QM_HELPER_SYNC) ||     \
    !defined(QM_HELPER_DROP_CACHES) || !defined(QM_HELPER_RESOLVECTL) || !defined(QM_HELPER_NSCD) ||         \
    !defined(QM_HELPER_RUN_PARTS) || !defined(QM_HELPER_CRON_DAILY) || !defined(QM_HELPER_CRON_WEEKLY) ||    \
    !defined(QM_HELPER_CRON_MONTHLY) || !defined(QM_HELPER_SYSTEMD_RUN) || !defined(QM_HELPER_SYSTEMCTL)
#error "The helper's locations are fixed by the build: define every QM_HELPER_* location"
#endif

int main(int argc, char** argv)
{
    // Output passed on from commands must never end the daemon when nobody reads it.
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QuillmereHelper"));

    qm::HelperSettings settings;
    settings.trustedClient = QM_HELPER_TRUSTED_CLIENT;
    settings.systemRoot = QM_HELPER_SYSTEM_ROOT;
    settings.syncProgram = QM_HELPER_SYNC;
    settings.dropCaches = QM_HELPER_DROP_CACHES;
    settings.resolvectlProgram = QM_HELPER_RESOLVECTL;
    settings.nscdProgram = QM_HELPER_NSCD;
    settings.runPartsProgram = QM_HELPER_RUN_PARTS;
    settings.maintenanceFolders = {QM_HELPER_CRON_DAILY, QM_HELPER_CRON_WEEKLY, QM_HELPER_CRON_MONTHLY};
    settings.systemdRunProgram = QM_HELPER_SYSTEMD_RUN;
    settings.systemctlProgram = QM_HELPER_SYSTEMCTL;

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "QuillmereHelper: cannot connect to the system bus\n");
        return 1;
    }
    // The watchdog's probes have a connection of their own: a caller who fills the bus's queue for the
    // helper's name makes the bus drop its answers there, which must not get the helper restarted in
    // the middle of its work.
    const QDBusConnection watchdogBus =
        QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("qm-helper-watchdog"));
    qm::HelperService service(settings, std::make_shared<qm::ProcessRunner>(),
                              std::make_shared<qm::SecCodeSigner>());
    // The object is in place before the name is taken, so calls queued by activation find it.
    if (!bus.registerVirtualObject(qm::HelperProtocol::objectPath(), &service, QDBusConnection::SingleNode)) {
        std::fprintf(stderr, "QuillmereHelper: cannot register the helper object\n");
        return 1;
    }
    if (!bus.registerService(qm::HelperProtocol::serviceName())) {
        std::fprintf(stderr, "QuillmereHelper: cannot own the helper's bus name\n");
        return 1;
    }
    const qm::BusWatchdog watchdog(watchdogBus);
    return QCoreApplication::exec();
}
