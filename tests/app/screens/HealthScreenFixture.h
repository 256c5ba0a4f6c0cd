#pragma once

#include "HealthModelFixture.h"
#include "ScreenHarness.h"
#include "support/FakeAppActivity.h"

#include <QStringList>

#include <functional>

namespace qm::test {

// The System Health page over the real health model whose sources are fakes (HealthModelFixture): a test
// changes what they answer with `set` and may hold a refresh at `gate()`. The page's navigate callback
// records the module ids it was given.
class HealthScreenFixture
{
public:
    using Facts = HealthModelFixture::Facts;

    // 16 GiB of memory with 6 GiB used, up 2 days, on "Debian GNU/Linux 12 (bookworm)".
    static SystemSnapshot defaultSample() { return HealthModelFixture::defaultSample(); }
    static SystemSnapshot sampleUp(int days) { return HealthModelFixture::sampleUp(days); }

    HealthScreenFixture() = default;
    // Lets a held refresh go and waits for every pool job.
    ~HealthScreenFixture();
    HealthScreenFixture(const HealthScreenFixture&) = delete;
    HealthScreenFixture& operator=(const HealthScreenFixture&) = delete;

    void set(const std::function<void(Facts&)>& change) { m_health.set(change); }
    ThreadGate& gate() { return m_health.gate(); }

    // Shows the page in a window of `size`; false, with the errors in `screen().errors()`, when it did
    // not load.
    bool open(QSize size);
    ScreenHarness& screen() { return m_screen; }
    MacHealthViewModel& model() { return m_health.model(); }
    FakeAppActivity& activity() { return m_activity; }
    FakeClock& clock() { return m_health.clock(); }
    // The module ids the page navigated to, in order.
    QStringList navigated() const;
    // Waits until no refresh is pending and the page shows an assessment.
    bool settled();
    // The card of the recommendation whose id is `id`, or null.
    QQuickItem* card(const QString& id) const;
    // The ids of the cards shown, top to bottom.
    QStringList cardIds() const;

private:
    HealthModelFixture m_health;
    FakeAppActivity m_activity;
    ScreenHarness m_screen;
};

} // namespace qm::test
