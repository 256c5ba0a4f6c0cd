#include "core/launchd/UnitControl.h"

#include "support/FakeSystemctl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qm {
namespace {

// A unit's name comes from a file name on disk. systemctl reads a name holding a glob character as a
// pattern over every loaded unit, so such a name, or one that is no unit name, never reaches it.
TEST(UnitControlTest, OnlyANameOfOneUnitIsHandedToSystemctl)
{
    struct Row
    {
        std::string unit;
        bool passed;
    };
    const std::vector<Row> rows = {
        {"sync.service", true}, {"backup@daily.timer", true}, {"a\\x2db:c_d.path", true},
        {"*.service", false},   {"ssh*.service", false},      {"[a-z]*.service", false},
        {"a?.service", false},  {"a b.service", false},       {"noType", false},
        {".service", false},    {"trailing.", false},         {std::string(300, 'a') + ".service", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.unit);
        auto systemctl = std::make_shared<test::FakeSystemctl>();
        systemctl->setActive(row.unit);
        const UnitControl units(UnitControl::Manager::user, systemctl);
        EXPECT_EQ(units.isActive(row.unit), row.passed);
        EXPECT_EQ(units.stop(row.unit), row.passed);
        EXPECT_EQ(units.start(row.unit), row.passed);
        EXPECT_EQ(systemctl->calls().size(), row.passed ? 3 : 0)
            << systemctl->calls().join('|').toStdString();
    }
}

} // namespace
} // namespace qm
