#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

namespace qm {

// Whether looping effects (shimmer, pulsing head and rings, the scan ring's sweep) should stand
// still: the desktop's reduce-motion preference, GNOME's `org.gnome.desktop.interface
// enable-animations` (animations off means reduce motion), asked of the desktop's settings portal on
// the session bus. Nothing runs as a child and nothing is written under the home (a `gsettings` child
// makes dconf write its cache there). Motion stays on until an answer says otherwise, and stays on
// without a session bus, without a running portal or with an answer that is not a boolean. One-shot
// effects ignore it. Available in QML as the singleton `MotionSettings`; tests and the gallery may
// write `reduceMotion`, and a written value is never replaced by a later answer.
class MotionSettings : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // True when looping effects should rest in place. Writable, so a test can force either value.
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY reduceMotionChanged)

public:
    // How long the portal may take to answer before the preference counts as unknown (milliseconds).
    static constexpr int readTimeoutMs = 1000;

    // Motion on; asks the session's portal in the background (readDesktopPreference()).
    explicit MotionSettings(QObject* parent = nullptr);

    // The session bus address to ask, from DBUS_SESSION_BUS_ADDRESS (its "unix:" entries only: an
    // "autolaunch:" entry starts dbus-launch, which writes under the home, and "unixexec:" starts a
    // program), else "unix:path=$XDG_RUNTIME_DIR/bus" when a socket is there; empty when there is none.
    // Reads the environment and one status; opens nothing.
    static QString sessionBusAddress();

    // `enable-animations` as the settings portal (`org.freedesktop.portal.Settings.Read`) on the bus at
    // `busAddress` answers it: the boolean it holds, nothing when the bus cannot be reached, no portal
    // is running (none is started for this), the call fails or exceeds `timeoutMs`, or the value is not
    // a boolean. Connects a private connection of its own and closes it again; blocks up to the
    // timeout (after the connection), so call it off the GUI thread. Safe on any thread.
    static std::optional<bool> readAnimationsEnabled(const QString& busAddress,
                                                     int timeoutMs = readTimeoutMs);

    // Asks `busAddress` (readAnimationsEnabled) on a pool thread and returns at once; the answer is
    // applied on this object's thread unless `reduceMotion` was written meanwhile or the object is
    // gone. `preferenceRead` is emitted when the read ends, whatever it found.
    void readDesktopPreference(const QString& busAddress);

    bool reduceMotion() const { return m_reduceMotion; }
    void setReduceMotion(bool reduce);

signals:
    void reduceMotionChanged();
    // A read started by readDesktopPreference has ended (with or without an answer).
    void preferenceRead();

private:
    void applyDesktopPreference(std::optional<bool> animationsEnabled);
    void publish(bool reduce);

    bool m_reduceMotion = false;
    bool m_written = false; // set by setReduceMotion: a later answer from the desktop does not replace it
};

} // namespace qm
