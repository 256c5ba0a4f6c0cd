#pragma once

#include "platform/AppActivity.h"

namespace qm::test {

// An activity source that a test switches by hand, with the same signals as the real one and no
// window system behind it.
class FakeAppActivity final : public AppActivity
{
    Q_OBJECT

public:
    explicit FakeAppActivity(State initial = State::Active, QObject* parent = nullptr);

    // Moves to `state`, emitting what the real source would for that transition.
    void setState(State state);
};

} // namespace qm::test
