#include "platform/AppActivity.h"

namespace qm {

AppActivity::AppActivity(State initial, QObject* parent) : QObject(parent), m_state(initial) {}

AppActivity::~AppActivity() = default;

AppActivity::State AppActivity::combine(Focus focus, bool windowShown)
{
    if (!windowShown) {
        return State::Background;
    }
    switch (focus) {
    case Focus::Active:
        return State::Active;
    case Focus::Inactive:
        return State::Inactive;
    case Focus::Hidden:
    case Focus::Suspended:
        return State::Background;
    }
    return State::Background;
}

void AppActivity::publish(State state)
{
    if (state == m_state) {
        return;
    }
    const State previous = m_state;
    m_state = state;
    emit stateChanged(state);
    if (state == State::Active) {
        emit becameActive();
    } else if (previous == State::Active) {
        emit resignedActive();
    }
}

} // namespace qm
