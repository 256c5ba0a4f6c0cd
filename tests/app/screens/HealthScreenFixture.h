#pragma once

#include "ScreenHarness.h"
#include "app/models/MacHealthViewModel.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/ThreadGate.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace qm::test {

// The Mac Health page over the real health model whose sources are fakes: what they answer is in
// `Facts`, which a test changes at any time; each refresh reads them when it runs, and its listing of
// the launch folders passes `gate()`, so a test can hold a refresh. The health rules are the real ones
// unless `Facts::result` is set. The page's navigate callback records the module ids it was given.
class HealthScreenFixture
{
public:
    struct Facts
    {
        MacHealth volume{400'000'000'000, 1'000'000'000'000};
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

    HealthScreenFixture();
    // Lets a held refresh go and waits for every pool job.
    ~HealthScreenFixture();
    HealthScreenFixture(const HealthScreenFixture&) = delete;
    HealthScreenFixture& operator=(const HealthScreenFixture&) = delete;

    void set(const std::function<void(Facts&)>& change);
    ThreadGate& gate() { return m_shared->gate; }

    // Shows the page in a window of `size`; false, with the errors in `screen().errors()`, when it did
    // not load.
    bool open(QSize size);
    ScreenHarness& screen() { return m_screen; }
    MacHealthViewModel& model() { return *m_model; }
    FakeAppActivity& activity() { return m_activity; }
    FakeClock& clock() { return m_clock; }
    // The module ids the page navigated to, in order.
    QStringList navigated() const;
    // Waits until no refresh is pending and the page shows an assessment.
    bool settled();
    // The card of the recommendation whose id is `id`, or null.
    QQuickItem* card(const QString& id) const;
    // The ids of the cards shown, top to bottom.
    QStringList cardIds() const;

private:
    struct Shared
    {
        std::mutex mutex;
        Facts facts;
        ThreadGate gate;
    };

    FakeClock m_clock;
    FakeAppActivity m_activity;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    std::unique_ptr<MacHealthViewModel> m_model;
    ScreenHarness m_screen;
};

} // namespace qm::test
