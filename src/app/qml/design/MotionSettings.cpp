#include "app/qml/design/MotionSettings.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QtGlobal>

#include <array>
#include <chrono>

namespace qm {
namespace {

// The variables gsettings and its dconf back end read to find the user's settings database and the
// installed schemas.
constexpr std::array<const char*, 10> kPassedVariables{"HOME",
                                                       "XDG_CONFIG_HOME",
                                                       "XDG_DATA_HOME",
                                                       "XDG_DATA_DIRS",
                                                       "XDG_CONFIG_DIRS",
                                                       "XDG_RUNTIME_DIR",
                                                       "DBUS_SESSION_BUS_ADDRESS",
                                                       "GSETTINGS_BACKEND",
                                                       "GSETTINGS_SCHEMA_DIR",
                                                       "DCONF_PROFILE"};

} // namespace

MotionSettings::MotionSettings(QObject* parent) : QObject(parent)
{
    const QPointer<MotionSettings> self(this);
    QThreadPool::globalInstance()->start([self] {
        const std::optional<bool> enabled = readAnimationsEnabled(ProcessRunner(), defaultGsettingsPath);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, enabled] {
                if (self)
                    self->applyRead(enabled);
            },
            Qt::QueuedConnection);
    });
}

void MotionSettings::applyRead(std::optional<bool> enabled)
{
    const bool reduce = enabled.has_value() && !*enabled;
    if (m_written || reduce == m_reduceMotion)
        return;
    m_reduceMotion = reduce;
    emit reduceMotionChanged();
}

MotionSettings::MotionSettings(const ProcessRunner& runner, const std::filesystem::path& gsettings,
                               QObject* parent)
    : QObject(parent)
{
    const std::optional<bool> enabled = readAnimationsEnabled(runner, gsettings);
    m_reduceMotion = enabled.has_value() && !*enabled;
}

std::optional<bool> MotionSettings::readAnimationsEnabled(const ProcessRunner& runner,
                                                          const std::filesystem::path& gsettings)
{
    ProcessRequest request;
    request.program = gsettings;
    request.arguments = {"get", "org.gnome.desktop.interface", "enable-animations"};
    for (const char* name : kPassedVariables) {
        const QByteArray value = qgetenv(name);
        // A NUL cannot reach an environment entry anyway; leave such a variable out rather than fail.
        if (!value.isEmpty() && !value.contains('\0'))
            request.environment.push_back(std::string(name) + '=' + value.toStdString());
    }
    request.deadline = std::chrono::milliseconds(readDeadlineMs);
    request.outputCap = 4096;

    const Result<ProcessOutcome> outcome = runner.run(request);
    if (!outcome.ok() || !outcome.value().succeeded() || outcome.value().standardOutputTruncated)
        return std::nullopt;
    return parseBoolean(outcome.value().standardOutput);
}

std::optional<bool> MotionSettings::parseBoolean(const QByteArray& output)
{
    const QByteArray word = output.trimmed();
    if (word == "true")
        return true;
    if (word == "false")
        return false;
    return std::nullopt;
}

void MotionSettings::setReduceMotion(bool reduce)
{
    m_written = true;
    if (reduce == m_reduceMotion)
        return;
    m_reduceMotion = reduce;
    emit reduceMotionChanged();
}

} // namespace qm
