#include "app/qml/design/MotionSettings.h"

#include "app/models/PostToModel.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QPointer>
#include <QStringList>
#include <QThreadPool>
#include <QVariant>

#include <sys/stat.h>

#include <atomic>

namespace qm {
namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kNamespace = QStringLiteral("org.gnome.desktop.interface");
const QString kKey = QStringLiteral("enable-animations");

// The value inside however many variants wrap it: the portal's Read answers the setting wrapped once
// more than its type says.
QVariant unwrapped(QVariant value)
{
    for (int depth = 0; depth < 4 && value.metaType() == QMetaType::fromType<QDBusVariant>(); ++depth)
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

} // namespace

MotionSettings::MotionSettings(QObject* parent) : QObject(parent)
{
    readDesktopPreference(sessionBusAddress());
}

QString MotionSettings::sessionBusAddress()
{
    QStringList usable;
    const QString given = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    for (const QString& entry : given.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (entry.startsWith(QLatin1String("unix:")))
            usable.append(entry);
    }
    if (!usable.isEmpty())
        return usable.join(QLatin1Char(';'));

    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.startsWith('/'))
        return {};
    const QByteArray socket = runtime + "/bus";
    struct stat status
    {
    };
    if (::stat(socket.constData(), &status) != 0 || !S_ISSOCK(status.st_mode))
        return {};
    return QStringLiteral("unix:path=") + QFile::decodeName(socket);
}

std::optional<bool> MotionSettings::readAnimationsEnabled(const QString& busAddress, int timeoutMs)
{
    if (busAddress.isEmpty())
        return std::nullopt;
    static std::atomic<int> counter{0};
    const QString name = QStringLiteral("qm-motion-settings-") + QString::number(counter.fetch_add(1));
    std::optional<bool> answer;
    {
        const QDBusConnection bus = QDBusConnection::connectToBus(busAddress, name);
        if (bus.isConnected()) {
            QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                               kSettingsInterface, QStringLiteral("Read"));
            call << kNamespace << kKey;
            // Only a portal that already runs answers: starting one here could start what writes
            // under the home on our behalf.
            call.setAutoStartService(false);
            const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
                const QVariant value = unwrapped(reply.arguments().constFirst());
                if (value.metaType() == QMetaType::fromType<bool>())
                    answer = value.toBool();
            }
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return answer;
}

void MotionSettings::readDesktopPreference(const QString& busAddress)
{
    const QPointer<MotionSettings> self(this);
    QThreadPool::globalInstance()->start([self, busAddress] {
        const std::optional<bool> enabled = readAnimationsEnabled(busAddress);
        postTo(self, [enabled](MotionSettings& settings) { settings.applyDesktopPreference(enabled); });
    });
}

void MotionSettings::applyDesktopPreference(std::optional<bool> animationsEnabled)
{
    if (!m_written && animationsEnabled)
        publish(!*animationsEnabled);
    emit preferenceRead();
}

void MotionSettings::setReduceMotion(bool reduce)
{
    m_written = true;
    publish(reduce);
}

void MotionSettings::publish(bool reduce)
{
    if (reduce == m_reduceMotion)
        return;
    m_reduceMotion = reduce;
    emit reduceMotionChanged();
}

} // namespace qm
