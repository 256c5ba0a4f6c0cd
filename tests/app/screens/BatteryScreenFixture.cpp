#include "BatteryScreenFixture.h"

#include <filesystem>

namespace qm::test {
namespace {

// The page on the Battery module's backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property BatteryPoller poller
    readonly property alias page: page

    BrandBackground {
        anchors.fill: parent
        module: "Battery"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Battery")
        BatteryView {
            id: page
            objectName: "batteryView"
            anchors.fill: parent
            poller: host.poller
        }
    }
}
)";

} // namespace

BatteryScreenFixture::BatteryScreenFixture()
{
    m_tree.folder("sys/class/power_supply");
}

BatteryScreenFixture::~BatteryScreenFixture()
{
    m_screen.close();
    m_poller.reset();
    m_screen.drain();
}

void BatteryScreenFixture::addBattery(const std::vector<SupplyAttribute>& attributes, bool onMains)
{
    std::vector<SupplyAttribute> all{{"type", "Battery"}, {"present", "1"}};
    all.insert(all.end(), attributes.begin(), attributes.end());
    addPowerSupply(m_tree, "BAT0", all);
    addPowerSupply(m_tree, "AC", {{"type", "Mains"}, {"online", onMains ? "1" : "0"}});
}

void BatteryScreenFixture::removeSupplies()
{
    std::filesystem::remove_all(m_tree.path("sys/class/power_supply"));
    std::filesystem::create_directories(m_tree.path("sys/class/power_supply"));
}

bool BatteryScreenFixture::open(QSize size)
{
    m_poller = std::make_unique<BatteryPoller>(BatteryPoller::Services{m_clock, m_activity, m_tree.root()});
    return m_screen.open(kHostQml, {{QStringLiteral("poller"), QVariant::fromValue(m_poller.get())}}, size);
}

bool BatteryScreenFixture::readingShown()
{
    m_screen.drain();
    return m_screen.settle([&] { return m_poller->hasLoaded() && !m_poller->isReading(); });
}

bool BatteryScreenFixture::nextReading()
{
    m_clock.advance(BatteryPoller::kInterval);
    return readingShown();
}

} // namespace qm::test
