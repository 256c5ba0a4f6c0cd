#include "HealthScreenFixture.h"

#include <QQmlProperty>

#include <algorithm>

namespace qm::test {
namespace {

// The page on the System Health module's backdrop, with the module's tint in scope, as the shell shows it.
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

} // namespace

HealthScreenFixture::~HealthScreenFixture()
{
    m_health.gate().release();
    m_screen.close();
    m_screen.drain();
}

bool HealthScreenFixture::open(QSize size)
{
    return m_screen.open(
        kHostQml,
        {{QStringLiteral("health"), QVariant::fromValue(&m_health.model())},
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
    const int generation = m_health.model().generation();
    // Two rounds of the pool: the refresh started last has published once nothing is left.
    m_screen.drain();
    return m_screen.settle([&] {
        return m_health.model().hasResult() && !m_health.model().isLoading() &&
               m_health.model().generation() == generation &&
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
