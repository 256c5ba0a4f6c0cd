#include "HealthScreenFixture.h"

#include <QQmlProperty>

#include <algorithm>

namespace qm::test {
namespace {

// The page on the Mac Health module's backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property MacHealthViewModel health
    required property AppActivity activity
    property var navigated: []
    readonly property alias page: page

    function record(module) {
        navigated = navigated.concat([module])
    }

    BrandBackground {
        anchors.fill: parent
        module: "Mac Health"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Mac Health")
        MacHealthView {
            id: page
            objectName: "macHealthView"
            anchors.fill: parent
            model: host.health
            activity: host.activity
            navigate: host.record
        }
    }
}
)";

constexpr qint64 kGiB = 1024LL * 1024 * 1024;

} // namespace

SystemSnapshot HealthScreenFixture::defaultSample()
{
    return sampleUp(2);
}

SystemSnapshot HealthScreenFixture::sampleUp(int days)
{
    SystemSnapshot sample = SystemSnapshot::empty();
    sample.totalRAM = 16 * kGiB;
    sample.usedRAM = 6 * kGiB;
    sample.cores = 8;
    sample.uptime = days * 86'400.0 + 3 * 3600 + 120;
    sample.osVersion = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    return sample;
}

HealthScreenFixture::HealthScreenFixture()
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

HealthScreenFixture::~HealthScreenFixture()
{
    m_shared->gate.release();
    m_screen.close();
    m_screen.drain();
}

void HealthScreenFixture::set(const std::function<void(Facts&)>& change)
{
    std::lock_guard lock(m_shared->mutex);
    change(m_shared->facts);
}

bool HealthScreenFixture::open(QSize size)
{
    return m_screen.open(
        kHostQml,
        {{QStringLiteral("health"), QVariant::fromValue(m_model.get())},
         {QStringLiteral("activity"), QVariant::fromValue(static_cast<AppActivity*>(&m_activity))}},
        size);
}

QStringList HealthScreenFixture::navigated() const
{
    if (m_screen.host() == nullptr)
        return {};
    return QQmlProperty::read(m_screen.host(), QStringLiteral("navigated")).toStringList();
}

bool HealthScreenFixture::settled()
{
    const int generation = m_model->generation();
    // Two rounds of the pool: the refresh started last has published once nothing is left.
    m_screen.drain();
    return m_screen.settle([&] {
        return m_model->hasResult() && !m_model->isLoading() && m_model->generation() == generation &&
               m_screen.contentName() == QStringLiteral("resultState");
    });
}

QQuickItem* HealthScreenFixture::card(const QString& id) const
{
    return m_screen.find(QStringLiteral("recommendationCard:") + id);
}

QStringList HealthScreenFixture::cardIds() const
{
    QList<QQuickItem*> cards = m_screen.findAllStartingWith(QStringLiteral("recommendationCard:"));
    std::sort(cards.begin(), cards.end(), [](const QQuickItem* a, const QQuickItem* b) {
        return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
    });
    QStringList ids;
    for (const QQuickItem* card : cards)
        ids.append(card->objectName().mid(int(qstrlen("recommendationCard:"))));
    return ids;
}

} // namespace qm::test
