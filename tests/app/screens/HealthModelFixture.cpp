#include "HealthModelFixture.h"

#include <string>

namespace qm::test {
namespace {

constexpr qint64 kGiB = 1024LL * 1024 * 1024;

} // namespace

SystemSnapshot HealthModelFixture::defaultSample()
{
    return sampleUp(2);
}

SystemSnapshot HealthModelFixture::sampleUp(int days)
{
    SystemSnapshot sample = SystemSnapshot::empty();
    sample.totalRAM = 16 * kGiB;
    sample.usedRAM = 6 * kGiB;
    sample.cores = 8;
    sample.uptime = days * 86'400.0 + 3 * 3600 + 120;
    sample.osVersion = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    return sample;
}

HealthModelFixture::HealthModelFixture()
{
    MacHealthViewModel::Services services{m_clock};
    services.home = Path("/nonexistent-home");
    services.systemRoot = Path("/nonexistent-root");
    services.volume = [s = m_shared] {
        std::lock_guard lock(s->mutex);
        return s->facts.volume;
    };
    services.sample = [s = m_shared](const std::optional<SystemSnapshot>&) {
        std::lock_guard lock(s->mutex);
        return s->facts.sample;
    };
    services.battery = [s = m_shared](const std::optional<BatteryInfo>&) {
        std::lock_guard lock(s->mutex);
        return s->facts.battery;
    };
    services.launchAgents = [s = m_shared] {
        std::vector<LaunchAgent> agents;
        {
            std::lock_guard lock(s->mutex);
            for (int i = 0; i < s->facts.loginItems; ++i) {
                LaunchAgent agent;
                agent.url = Path("/agents") / ("job" + std::to_string(i) + ".plist");
                agent.label = QStringLiteral("job") + QString::number(i);
                agent.domain = LaunchDomain::userAgent;
                agents.push_back(agent);
            }
        }
        s->gate.pass();
        return agents;
    };
    services.evaluate = [s = m_shared](const HealthAssessment::Input& input) {
        std::lock_guard lock(s->mutex);
        return s->facts.result ? *s->facts.result : HealthAssessment::evaluate(input);
    };
    m_model = std::make_unique<MacHealthViewModel>(std::move(services));
}

void HealthModelFixture::set(const std::function<void(Facts&)>& change)
{
    std::lock_guard lock(m_shared->mutex);
    change(m_shared->facts);
}

} // namespace qm::test
