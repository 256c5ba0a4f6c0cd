#pragma once

#include "app/navigation/ScanCommand.h"

#include <QJSValue>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <optional>

namespace qm {

// What the visible views of the window publish for the menu bar: the scan command of the module screen
// on show (absent when it has none) and whether a module screen, rather than the onboarding, fills the
// window (absent until the root view says so). Both start absent. Lives on the GUI thread.
class FocusedValues : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    // Whether a scan command is published.
    Q_PROPERTY(bool hasScanCommand READ hasScanCommand NOTIFY scanCommandChanged)
    // The published command's target, or an empty text when there is none.
    Q_PROPERTY(QString scanTarget READ scanTarget NOTIFY scanCommandChanged)
    // true or false while published, undefined while absent; resetting (or writing undefined) makes it
    // absent again.
    Q_PROPERTY(QVariant moduleUIVisible READ moduleUIVisibleValue WRITE setModuleUIVisibleValue RESET
                   resetModuleUIVisible NOTIFY moduleUIVisibleChanged)
    // Whether the module items of the "Go" menu are enabled: only while moduleUIVisible is present and
    // true.
    Q_PROPERTY(bool moduleCommandsEnabled READ moduleCommandsEnabled NOTIFY moduleUIVisibleChanged)

public:
    explicit FocusedValues(QObject* parent = nullptr);

    const std::optional<ScanCommand>& scanCommand() const { return m_scanCommand; }
    // Publishes `command`, or withdraws it when empty. The action is always replaced, so running the
    // command calls the latest one; scanCommandChanged is emitted only when the value changes under
    // ScanCommand's equality (presence and target).
    void setScanCommand(std::optional<ScanCommand> command);

    std::optional<bool> moduleUIVisible() const { return m_moduleUIVisible; }
    void setModuleUIVisible(std::optional<bool> visible);

    bool hasScanCommand() const { return m_scanCommand.has_value(); }
    QString scanTarget() const { return m_scanCommand ? m_scanCommand->target : QString(); }
    bool moduleCommandsEnabled() const { return m_moduleUIVisible.value_or(false); }

    // QML form of setScanCommand: `run` must be a function and is called without arguments; anything
    // else is refused (returns false) and the published command stays as it was.
    Q_INVOKABLE bool publishScanCommand(const QString& target, const QJSValue& run);
    Q_INVOKABLE void clearScanCommand() { setScanCommand(std::nullopt); }
    // Reads the published command at the moment of the call and runs it; returns whether there was one.
    Q_INVOKABLE bool runScanCommand();

signals:
    void scanCommandChanged();
    void moduleUIVisibleChanged();

private:
    QVariant moduleUIVisibleValue() const;
    void setModuleUIVisibleValue(const QVariant& value);
    void resetModuleUIVisible() { setModuleUIVisible(std::nullopt); }

    std::optional<ScanCommand> m_scanCommand;
    std::optional<bool> m_moduleUIVisible;
};

} // namespace qm
