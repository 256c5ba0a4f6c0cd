#include "platform/PowerSources.h"

#include "platform/BoundedReader.h"
#include "support/PowerSupplyFixture.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace qm {
namespace {

using test::addPowerSupply;

QVariantMap map(std::initializer_list<std::pair<const char*, QVariant>> entries)
{
    QVariantMap m;
    for (const auto& [key, value] : entries)
        m.insert(QString::fromUtf8(key), value);
    return m;
}

QVariant n(qint64 value)
{
    return QVariant::fromValue(value);
}

// QVariant compares numbers across types (true equals 1), so the types the battery engine insists on
// are checked on their own: flags Boolean, states strings, everything else a 64-bit integer.
void expectEngineTypes(const std::optional<QVariantMap>& map)
{
    ASSERT_TRUE(map);
    for (auto it = map->begin(); it != map->end(); ++it) {
        const QString& key = it.key();
        const int expected =
            key == QStringLiteral("BatteryInstalled") || key.startsWith(QStringLiteral("Is "))
                ? QMetaType::Bool
            : key == QStringLiteral("Type") || key == QStringLiteral("Power Source State")
                ? QMetaType::QString
                : QMetaType::LongLong;
        EXPECT_EQ(it->typeId(), expected) << key.toStdString();
    }
}

// Reads on another thread, so that a reader that blocks fails the test instead of hanging it.
PowerSourceMaps readWithoutHanging(const fs::path& root, bool* returned)
{
    auto task = std::make_shared<std::packaged_task<PowerSourceMaps()>>(
        [root] { return SysfsPowerSources(root).read(); });
    std::future<PowerSourceMaps> future = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    *returned = future.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    return *returned ? future.get() : PowerSourceMaps{};
}

TEST(SysfsPowerSources, ChargingBatteryReportingCharge)
{
    test::TempTree tree;
    addPowerSupply(tree, "AC", {{"type", "Mains"}, {"online", "1"}});
    addPowerSupply(tree, "BAT0",
                   {{"type", "Battery"},
                    {"present", "1"},
                    {"scope", "System"},
                    {"status", "Charging"},
                    {"capacity", "67"},
                    {"charge_full_design", "5000000"},
                    {"charge_full", "4500000"},
                    {"charge_now", "3015999"},
                    {"energy_full_design", "99000000"}, // never mixed in
                    {"cycle_count", "120"},
                    {"temp", "305"},
                    {"time_to_full_now", "3659"}});
    const PowerSourceMaps maps = SysfsPowerSources(tree.root()).read();
    EXPECT_EQ(maps.controller, map({{"BatteryInstalled", true},
                                    {"DesignCapacity", n(5000)},
                                    {"NominalChargeCapacity", n(4500)},
                                    {"AppleRawMaxCapacity", n(4500)},
                                    {"AppleRawCurrentCapacity", n(3015)},
                                    {"CycleCount", n(120)},
                                    {"Temperature", n(3050)}}));
    EXPECT_EQ(maps.powerSource, map({{"Type", QStringLiteral("InternalBattery")},
                                     {"Current Capacity", n(67)},
                                     {"Max Capacity", n(100)},
                                     {"Is Charging", true},
                                     {"Is Charged", false},
                                     {"Power Source State", QStringLiteral("AC Power")},
                                     {"Time to Full Charge", n(60)}}));
    expectEngineTypes(maps.controller);
    expectEngineTypes(maps.powerSource);
}

TEST(SysfsPowerSources, DischargingBatteryReportingEnergy)
{
    test::TempTree tree;
    addPowerSupply(tree, "ADP1", {{"type", "Mains"}, {"online", "0"}});
    addPowerSupply(tree, "ucsi-source-psy-USBC000:001", {{"type", "USB"}, {"online", "0"}});
    addPowerSupply(tree, "BAT1",
                   {{"type", "Battery"},
                    {"status", "Discharging"},
                    {"capacity", "48"},
                    {"energy_full_design", "57000000"},
                    {"energy_full", "50000000"},
                    {"energy_now", "24000000"},
                    {"cycle_count", "0"}, // unknown
                    {"time_to_empty_now", "7200"}});
    const PowerSourceMaps maps = SysfsPowerSources(tree.root()).read();
    EXPECT_EQ(maps.controller, map({{"BatteryInstalled", true},
                                    {"DesignCapacity", n(57000)},
                                    {"NominalChargeCapacity", n(50000)},
                                    {"AppleRawMaxCapacity", n(50000)},
                                    {"AppleRawCurrentCapacity", n(24000)}}));
    EXPECT_EQ(maps.powerSource, map({{"Type", QStringLiteral("InternalBattery")},
                                     {"Current Capacity", n(48)},
                                     {"Max Capacity", n(100)},
                                     {"Is Charging", false},
                                     {"Is Charged", false},
                                     {"Power Source State", QStringLiteral("Battery Power")},
                                     {"Time to Empty", n(120)}}));
    expectEngineTypes(maps.controller);
    expectEngineTypes(maps.powerSource);
}

// One family read at all means the other is never used, even for a value the first lacks.
TEST(SysfsPowerSources, CapacityFamiliesAreNeverMixed)
{
    test::TempTree tree;
    addPowerSupply(tree, "BAT0",
                   {{"type", "Battery"},
                    {"charge_full", "4000000"},
                    {"energy_full_design", "57000000"},
                    {"energy_now", "20000000"}});
    const PowerSourceMaps maps = SysfsPowerSources(tree.root()).read();
    EXPECT_EQ(maps.controller, map({{"BatteryInstalled", true},
                                    {"NominalChargeCapacity", n(4000)},
                                    {"AppleRawMaxCapacity", n(4000)}}));
}

TEST(SysfsPowerSources, PowerStateFromStatusAndExternalSupplies)
{
    struct Case
    {
        const char* what;
        const char* status;         // nullptr: no status file
        std::vector<QByteArray> ac; // online values of external supplies
        std::optional<bool> charging, charged;
        std::optional<QString> state;
        const char* type = "Mains"; // the external supplies' type
    };
    const QString ac = QStringLiteral("AC Power");
    const QString battery = QStringLiteral("Battery Power");
    const Case cases[] = {
        {"full on AC", "Full", {"1"}, false, true, ac},
        {"full, adapter just pulled", "Full", {"0"}, false, true, battery},
        {"held below full on AC", "Not charging", {"0", "1"}, false, false, ac},
        {"held below full, adapter offline", "Not charging", {"0"}, false, false, battery},
        {"held below full, no adapter listed", "Not charging", {}, false, false, battery},
        {"held below full, USB supply online", "Not charging", {"1"}, false, false, ac, "USB_C"},
        {"held below full, USB supply offline", "Not charging", {"0"}, false, false, battery, "USB"},
        {"discharging although an adapter is online", "Discharging", {"1"}, false, false, ac},
        {"charging without a readable adapter", "Charging", {}, true, false, ac},
        {"charging, adapter reads offline", "Charging", {"0"}, true, false, ac},
        {"discharging, no adapter listed", "Discharging", {}, false, false, battery},
        {"full, no adapter listed", "Full", {}, false, true, battery},
        {"unknown status, no adapter", "Unknown", {}, std::nullopt, std::nullopt, battery},
        {"unknown status, adapter online", "Unknown", {"1"}, std::nullopt, std::nullopt, ac},
        {"no status file", nullptr, {}, std::nullopt, std::nullopt, battery},
        {"status in another case", "charging", {}, std::nullopt, std::nullopt, battery},
        {"an adapter of another type online", "Not charging", {"1"}, false, false, battery, "Wireless"},
    };
    for (const Case& c : cases) {
        test::TempTree tree;
        for (std::size_t i = 0; i < c.ac.size(); ++i)
            addPowerSupply(tree, "AC" + std::to_string(i), {{"type", c.type}, {"online", c.ac[i]}});
        std::vector<test::SupplyAttribute> attributes{{"type", "Battery"}};
        if (c.status)
            attributes.emplace_back("status", c.status);
        addPowerSupply(tree, "BAT0", attributes);
        const PowerSourceMaps maps = SysfsPowerSources(tree.root()).read();
        ASSERT_TRUE(maps.powerSource) << c.what;
        const QVariantMap& ps = *maps.powerSource;
        const auto value = [&](const char* key) -> std::optional<QVariant> {
            const auto found = ps.find(QString::fromUtf8(key));
            return found == ps.end() ? std::nullopt : std::optional(*found);
        };
        EXPECT_EQ(value("Is Charging"), c.charging ? std::optional(QVariant(*c.charging)) : std::nullopt)
            << c.what;
        EXPECT_EQ(value("Is Charged"), c.charged ? std::optional(QVariant(*c.charged)) : std::nullopt)
            << c.what;
        EXPECT_EQ(value("Power Source State"), c.state ? std::optional(QVariant(*c.state)) : std::nullopt)
            << c.what;
    }
}

TEST(SysfsPowerSources, WhichSupplyIsTheInternalBattery)
{
    struct Supply
    {
        std::string name;
        std::vector<test::SupplyAttribute> attributes;
    };
    struct Case
    {
        const char* what;
        std::vector<Supply> supplies;
        std::optional<qint64> capacity; // "Current Capacity" of the chosen battery; none: no battery
    };
    const Case cases[] = {
        {"no supplies at all", {}, std::nullopt},
        {"only an adapter", {{"AC", {{"type", "Mains"}, {"online", "1"}}}}, std::nullopt},
        {"only a mouse battery",
         {{"hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "40"}}}},
         std::nullopt},
        {"a battery that is not present",
         {{"BAT0", {{"type", "Battery"}, {"present", "0"}, {"capacity", "10"}}}},
         std::nullopt},
        {"the first by name",
         {{"BAT1", {{"type", "Battery"}, {"capacity", "21"}}},
          {"BAT0", {{"type", "Battery"}, {"capacity", "20"}}}},
         20},
        {"absent and device batteries passed over",
         {{"BAT0", {{"type", "Battery"}, {"present", "0"}, {"capacity", "10"}}},
          {"BAT1", {{"type", "Battery"}, {"present", "1"}, {"scope", "System"}, {"capacity", "11"}}},
          {"AAA_mouse", {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "12"}}}},
         11},
    };
    for (const Case& c : cases) {
        test::TempTree tree;
        tree.folder("sys/class/power_supply");
        for (const Supply& s : c.supplies)
            addPowerSupply(tree, s.name, s.attributes);
        const PowerSourceMaps maps = SysfsPowerSources(tree.root()).read();
        if (!c.capacity) {
            EXPECT_EQ(maps, PowerSourceMaps{}) << c.what;
            continue;
        }
        ASSERT_TRUE(maps.controller && maps.powerSource) << c.what;
        EXPECT_EQ(maps.powerSource->value(QStringLiteral("Current Capacity")), n(*c.capacity)) << c.what;
    }

    test::TempTree bare;
    EXPECT_EQ(SysfsPowerSources(bare.root()).read(), PowerSourceMaps{}) << "no power_supply folder";
}

// A FIFO or an oversized file in place of an attribute is a missing value, never a hang; the other
// attributes are still read. So are values that do not parse.
TEST(SysfsPowerSources, UnreadableOrGarbledAttributesAreMissing)
{
    struct Case
    {
        const char* what;
        void (*spoil)(test::TempTree&, const fs::path& device);
    };
    const Case cases[] = {
        {"FIFO", [](test::TempTree& t, const fs::path& d) { t.fifo(d / "capacity"); }},
        {"1 MB file", [](test::TempTree& t, const fs::path& d) { t.file(d / "capacity", 1024 * 1024, '7'); }},
        {"symbolic link",
         [](test::TempTree& t, const fs::path& d) { t.symlink(d / "cycle_count", d / "capacity"); }},
        {"not a number",
         [](test::TempTree& t, const fs::path& d) { t.fileWithContent(d / "capacity", "6x\n"); }},
        {"beyond 64 bits",
         [](test::TempTree& t, const fs::path& d) {
             t.fileWithContent(d / "capacity", "99999999999999999999\n");
         }},
        {"empty", [](test::TempTree& t, const fs::path& d) { t.fileWithContent(d / "capacity", ""); }},
    };
    for (const Case& c : cases) {
        test::TempTree tree;
        const fs::path device = addPowerSupply(
            tree, "BAT0", {{"type", "Battery"}, {"cycle_count", "7"}, {"status", "Discharging"}});
        c.spoil(tree, device);
        bool returned = false;
        const PowerSourceMaps maps = readWithoutHanging(tree.root(), &returned);
        ASSERT_TRUE(returned) << c.what << ": the read blocked";
        ASSERT_TRUE(maps.controller && maps.powerSource) << c.what;
        EXPECT_FALSE(maps.powerSource->contains(QStringLiteral("Current Capacity"))) << c.what;
        EXPECT_FALSE(maps.powerSource->contains(QStringLiteral("Max Capacity"))) << c.what;
        EXPECT_EQ(maps.controller->value(QStringLiteral("CycleCount")), n(7)) << c.what;
        EXPECT_EQ(maps.powerSource->value(QStringLiteral("Is Charging")), QVariant(false)) << c.what;
    }
}

// Whether the running machine has a battery of its own, as the test sees it in /sys.
bool machineHasInternalBattery()
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/sys/class/power_supply", error)) {
        std::string type, scope;
        std::ifstream(entry.path() / "type") >> type;
        std::ifstream(entry.path() / "scope") >> scope;
        if (type == "Battery" && scope != "Device")
            return true;
    }
    return false;
}

TEST(SysfsPowerSources, ThisMachine)
{
    const PowerSourceMaps maps = SysfsPowerSources().read();
    if (machineHasInternalBattery()) {
        ASSERT_TRUE(maps.controller && maps.powerSource);
        EXPECT_EQ(maps.controller->value(QStringLiteral("BatteryInstalled")), QVariant(true));
    } else {
        EXPECT_EQ(maps, PowerSourceMaps{});
    }
}

} // namespace
} // namespace qm
