#pragma once

#include <QObject>

namespace qm {

// Whether the user is working with the application right now: `Active` (a window has focus),
// `Inactive` (visible without focus) or `Background` (the main window is minimised or hidden). The
// app passes a `GuiAppActivity`, tests a `FakeAppActivity`; this class only keeps the state and
// announces its changes.
class AppActivity : public QObject
{
    Q_OBJECT

public:
    enum class State { Active, Inactive, Background };
    Q_ENUM(State)

    // The application-wide focus state as the window system reports it, mirroring
    // Qt::ApplicationState without depending on QtGui.
    enum class Focus { Active, Inactive, Hidden, Suspended };

    ~AppActivity() override;

    State state() const { return m_state; }

    // The state for the window system's `focus` when the main window is `windowShown` (neither
    // minimised nor hidden). A window that is not shown means background whatever the focus says,
    // because some platforms (the offscreen one among them) still report a minimised application
    // as active.
    static State combine(Focus focus, bool windowShown);

signals:
    // Emitted on every change, after `state()` has taken the new value and before the two below.
    void stateChanged(qm::AppActivity::State state);
    // Emitted when the state becomes `Active` from either other state.
    void becameActive();
    // Emitted when the state leaves `Active` for either other state.
    void resignedActive();

protected:
    explicit AppActivity(State initial, QObject* parent = nullptr);

    // Takes `state` and emits the signals its change calls for; the same state again emits nothing.
    void publish(State state);

private:
    State m_state;
};

} // namespace qm
