#include "protocol/HelperAction.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

TEST(HelperActionTest, RawValuesMapExactlyToTheirCases)
{
    EXPECT_EQ(HelperActions::all,
              (std::array{HelperAction::freeMemory, HelperAction::flushDNS, HelperAction::runMaintenance}));
    for (const HelperAction action : HelperActions::all) {
        EXPECT_EQ(HelperActions::fromRaw(HelperActions::toRaw(action)), action);
        EXPECT_EQ(HelperActions::id(action), HelperActions::toRaw(action));
    }
    EXPECT_EQ(HelperActions::toRaw(HelperAction::freeMemory), QStringLiteral("freeMemory"));
    EXPECT_EQ(HelperActions::toRaw(HelperAction::flushDNS), QStringLiteral("flushDNS"));
    EXPECT_EQ(HelperActions::toRaw(HelperAction::runMaintenance), QStringLiteral("runMaintenance"));

    for (const char* nearMiss : {"FreeMemory", "freememory", "flushDns", " flushDNS", "flushDNS ",
                                 "runMaintenance\n", "", "purge", "freeMemory\xc2\xa0"}) {
        EXPECT_EQ(HelperActions::fromRaw(QString::fromUtf8(nearMiss)), std::nullopt)
            << '"' << nearMiss << '"';
    }
}

TEST(HelperActionTest, TheHelperStopsARunWhenTheApplicationWouldAskAgain)
{
    using std::chrono::seconds;
    struct Row
    {
        HelperAction action;
        seconds deadline;
        seconds hold;
        seconds limit;
    };
    const Row rows[] = {
        {HelperAction::freeMemory, seconds(60), seconds(30), seconds(90)},
        {HelperAction::flushDNS, seconds(20), seconds(15), seconds(35)},
        {HelperAction::runMaintenance, seconds(180), seconds(600), seconds(780)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(HelperActions::toRaw(row.action).toStdString());
        EXPECT_EQ(HelperActions::replyDeadline(row.action), row.deadline);
        EXPECT_EQ(HelperActions::pendingHold(row.action), row.hold);
        EXPECT_EQ(HelperActions::runLimit(row.action), row.limit);
    }
}

TEST(HelperActionTest, MaintenanceIsOfferedOnlyWhenItsProgramExists)
{
    test::TempTree tree;
    const std::filesystem::path program = tree.path("bin/run-parts");
    EXPECT_EQ(HelperActions::available(program),
              (std::vector<HelperAction>{HelperAction::freeMemory, HelperAction::flushDNS}));

    tree.file("bin/run-parts");
    EXPECT_EQ(HelperActions::available(program),
              (std::vector<HelperAction>{HelperAction::freeMemory, HelperAction::flushDNS,
                                         HelperAction::runMaintenance}));
    // Worked out afresh on every call.
    std::filesystem::remove(program);
    EXPECT_EQ(HelperActions::available(program).size(), 2u);
    EXPECT_EQ(HelperActions::maintenanceProgram(), std::filesystem::path("/bin/run-parts"));
}

} // namespace
} // namespace qm
