#include "app/navigation/FocusedValues.h"

#include <utility>

namespace qm {

FocusedValues::FocusedValues(QObject* parent) : QObject(parent) {}

void FocusedValues::setScanCommand(std::optional<ScanCommand> command)
{
    const bool changed = command != m_scanCommand;
    m_scanCommand = std::move(command);
    if (changed)
        emit scanCommandChanged();
}

void FocusedValues::setModuleUIVisible(std::optional<bool> visible)
{
    if (visible == m_moduleUIVisible)
        return;
    m_moduleUIVisible = visible;
    emit moduleUIVisibleChanged();
}

bool FocusedValues::publishScanCommand(const QString& target, const QJSValue& run)
{
    if (!run.isCallable())
        return false;
    setScanCommand(ScanCommand{target, [run] { run.call(); }});
    return true;
}

bool FocusedValues::runScanCommand()
{
    if (!m_scanCommand)
        return false;
    // A copy, because the action may publish another command (or withdraw this one) while it runs.
    const std::function<void()> run = m_scanCommand->run;
    if (run)
        run();
    return true;
}

QVariant FocusedValues::moduleUIVisibleValue() const
{
    return m_moduleUIVisible ? QVariant(*m_moduleUIVisible) : QVariant();
}

void FocusedValues::setModuleUIVisibleValue(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        setModuleUIVisible(std::nullopt);
    else
        setModuleUIVisible(value.toBool());
}

} // namespace qm
