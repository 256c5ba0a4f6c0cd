#pragma once

#include "platform/ProcessRunner.h"

#include <QByteArray>
#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <filesystem>
#include <optional>

namespace qm {

// Whether looping effects (shimmer, pulsing head and rings, the scan ring's sweep) should stand
// still: the desktop's reduce-motion preference, read once from GNOME's `enable-animations` key when
// the object is made (animations off means reduce motion). Without gsettings, without the schema or
// with an answer that is not "true" or "false", motion stays on. One-shot effects ignore it. Available
// in QML as the singleton `MotionSettings`; tests and the gallery may write `reduceMotion`.
class MotionSettings : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // True when looping effects should rest in place. Writable, so a test can force either value.
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY reduceMotionChanged)

public:
    // Where Debian installs the gsettings tool.
    static constexpr const char* defaultGsettingsPath = "/usr/bin/gsettings";
    // How long the tool may take before the preference counts as unknown (milliseconds).
    static constexpr int readDeadlineMs = 2000;

    // Reads the preference through /usr/bin/gsettings on the global thread pool, so that the GUI thread
    // (and with it the window's first frame) never waits for the answer: motion stays on until the answer
    // comes, which counts only when `reduceMotion` was not written before it.
    explicit MotionSettings(QObject* parent = nullptr);
    // Reads it by running `gsettings` with `runner`, so a test can point at a stand-in program.
    MotionSettings(const ProcessRunner& runner, const std::filesystem::path& gsettings,
                   QObject* parent = nullptr);

    // GNOME's `org.gnome.desktop.interface enable-animations` as `gsettings` reports it: the value when
    // the program exits 0 and prints exactly "true" or "false" (surrounding white space ignored),
    // nothing otherwise. The child gets the session variables it needs to find the user's settings
    // (HOME, XDG_*, DBUS_SESSION_BUS_ADDRESS, GSETTINGS_*), nothing more.
    static std::optional<bool> readAnimationsEnabled(const ProcessRunner& runner,
                                                     const std::filesystem::path& gsettings);
    // The boolean in one line of gsettings output, or nothing when it is neither "true" nor "false".
    static std::optional<bool> parseBoolean(const QByteArray& output);

    bool reduceMotion() const { return m_reduceMotion; }
    void setReduceMotion(bool reduce);

signals:
    void reduceMotionChanged();

private:
    // Publishes the answer of the background read.
    void applyRead(std::optional<bool> enabled);

    bool m_reduceMotion = false;
    // Whether `reduceMotion` was written, which a later answer of the background read does not undo.
    bool m_written = false;
};

} // namespace qm
