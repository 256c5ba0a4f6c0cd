#include "support/FakeAppActivity.h"

namespace qm::test {

FakeAppActivity::FakeAppActivity(State initial, QObject* parent) : AppActivity(initial, parent) {}

void FakeAppActivity::setState(State state)
{
    publish(state);
}

} // namespace qm::test
