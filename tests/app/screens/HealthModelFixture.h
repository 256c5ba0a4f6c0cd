#pragma once

#include "app/models/MacHealthViewModel.h"
#include "support/FakeClock.h"
#include "support/ThreadGate.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace qm::test {

// The real health model whose sources are fakes, for the pages that show it: what the sources answer
// is in `Facts`, which a test changes at any time; each refresh reads them when it runs, and its
// listing of the launch folders passes `gate()`, so a test can hold a refresh. The health rules are the
// real ones unless `Facts::result` is set. The owner releases the gate and waits for the pool before
// this fixture goes.
class HealthModelFixture
{
public:
    struct Facts
    {
        MacHealth volume{400'000'000'000, 1'000'000'000'000, 600'000'000'000};
        SystemSnapshot sample = defaultSample();
        BatteryInfo battery = BatteryInfo::unavailable();
        // How many launch jobs the user's own folder holds.
        int loginItems = 0;
        // Replaces the health rules' answer when set.
        std::optional<HealthAssessment::Result> result;
    };

    // 16 GiB of memory with 6 GiB used, up 2 days, on "Debian GNU/Linux 12 (bookworm)".
    static SystemSnapshot defaultSample();
    static SystemSnapshot sampleUp(int days);

    HealthModelFixture();
    HealthModelFixture(const HealthModelFixture&) = delete;
    HealthModelFixture& operator=(const HealthModelFixture&) = delete;

    void set(const std::function<void(Facts&)>& change);
    ThreadGate& gate() { return m_shared->gate; }
    MacHealthViewModel& model() { return *m_model; }
    FakeClock& clock() { return m_clock; }

private:
    // Shared with refresh jobs, which may outlive a test's expectations.
    struct Shared
    {
        std::mutex mutex;
        Facts facts;
        ThreadGate gate;
    };

    FakeClock m_clock;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    std::unique_ptr<MacHealthViewModel> m_model;
};

} // namespace qm::test
