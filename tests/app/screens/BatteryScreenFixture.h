#pragma once

#include "ScreenHarness.h"
#include "app/models/BatteryPoller.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/PowerSupplyFixture.h"
#include "support/TempTree.h"

#include <memory>
#include <string>
#include <vector>

namespace qm::test {

// The Battery page over a real reading loop on a fake clock and activity source, reading the power
// supplies of a fixture tree (sys/class/power_supply under `tree()`, empty until a test adds some).
// Build the tree first, then `open`.
class BatteryScreenFixture
{
public:
    BatteryScreenFixture();
    ~BatteryScreenFixture();
    BatteryScreenFixture(const BatteryScreenFixture&) = delete;
    BatteryScreenFixture& operator=(const BatteryScreenFixture&) = delete;

    TempTree& tree() { return m_tree; }
    // Adds a battery "BAT0" with these attributes (type and presence included) and, when `onMains` is
    // set, an adapter "AC" that is online (offline when false).
    void addBattery(const std::vector<SupplyAttribute>& attributes, bool onMains);
    // Removes every power supply, as unplugging the battery's controller would.
    void removeSupplies();

    // Makes the loop and shows the page in a window of `size`; false, with the errors in
    // `screen().errors()`, when it did not load. The first reading starts at once.
    bool open(QSize size);
    // Waits for the reading in flight to be shown.
    bool readingShown();
    // Lets the 5 s pass and waits for the next reading to be shown.
    bool nextReading();

    ScreenHarness& screen() { return m_screen; }
    BatteryPoller& poller() { return *m_poller; }
    FakeAppActivity& activity() { return m_activity; }
    FakeClock& clock() { return m_clock; }

private:
    TempTree m_tree;
    FakeClock m_clock;
    FakeAppActivity m_activity;
    std::unique_ptr<BatteryPoller> m_poller;
    ScreenHarness m_screen;
};

} // namespace qm::test
