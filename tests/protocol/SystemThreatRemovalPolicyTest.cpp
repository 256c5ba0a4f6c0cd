#include "protocol/SystemThreatRemovalPolicy.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace qm {
namespace {

namespace Policy = SystemThreatRemovalPolicy;
using Policy::Rejection;
using namespace std::string_literals;

struct RejectCase
{
    std::string path;
    std::optional<Rejection> expected;
};

const char* name(std::optional<Rejection> rejection)
{
    if (!rejection)
        return "accepted";
    switch (*rejection) {
    case Rejection::notAbsolute:
        return "notAbsolute";
    case Rejection::traversal:
        return "traversal";
    case Rejection::emptyComponent:
        return "emptyComponent";
    case Rejection::parentNotAllowed:
        return "parentNotAllowed";
    case Rejection::isAllowedRootItself:
        return "isAllowedRootItself";
    case Rejection::nameNotAllowed:
        return "nameNotAllowed";
    }
    return "?";
}

TEST(SystemThreatRemovalPolicyTest, RejectDecidesEachPathByTheFirstRuleThatFires)
{
    const std::vector<RejectCase> cases = {
        // The direct children of the three allowed folders, whatever their names look like.
        {"/Library/LaunchDaemons/com.example.agent.plist", std::nullopt},
        {"/Library/LaunchAgents/x.plist", std::nullopt},
        {"/Library/PrivilegedHelperTools/tool", std::nullopt},
        {"/Library/LaunchDaemons/.hidden", std::nullopt},
        {"/Library/LaunchDaemons/...", std::nullopt},
        {"/Library/LaunchAgents/caf\xc3\xa9.plist", std::nullopt},
        // Not absolute.
        {"Library/LaunchDaemons/x.plist", Rejection::notAbsolute},
        {"", Rejection::notAbsolute},
        {"./Library/LaunchDaemons/x.plist", Rejection::notAbsolute},
        {"Library/LaunchDaemons/x\0.plist"s, Rejection::notAbsolute},
        // Traversal.
        {"/Library/LaunchDaemons/../LaunchDaemons/x.plist", Rejection::traversal},
        {"/Library/LaunchDaemons/..", Rejection::traversal},
        {"/Library/LaunchDaemons/x/..", Rejection::traversal},
        {"/../Library/LaunchDaemons/x.plist", Rejection::traversal},
        // Control characters: a NUL would cut the path short once it reaches the C library, here down
        // to an allowed folder; every other control character goes the same way.
        {"/Library/LaunchDaemons\0/x.plist"s, Rejection::traversal},
        {"/Library/LaunchDaemons/x.plist\0/../../../etc/passwd"s, Rejection::traversal},
        {"/Library/LaunchDaemons/x\n.plist", Rejection::traversal},
        {"/Library/LaunchDaemons/x\t.plist", Rejection::traversal},
        {"/Library/LaunchDaemons/x\x1b.plist", Rejection::traversal},
        {"/Library/LaunchDaemons/x\x7f.plist", Rejection::traversal},
        {"/Library/LaunchDaemons/x\xc2\x85.plist", Rejection::traversal},
        // Empty and "." components, and which of the two comes first.
        {"/Library//LaunchDaemons/x.plist", Rejection::emptyComponent},
        {"/Library/LaunchDaemons/./x.plist", Rejection::emptyComponent},
        {"/Library/LaunchDaemons/x.plist/", Rejection::emptyComponent},
        {"/", Rejection::emptyComponent},
        {"//", Rejection::emptyComponent},
        {"/Library//../x", Rejection::emptyComponent},
        {"/Library/../LaunchDaemons//x", Rejection::traversal},
        // The allowed folders themselves; the trailing-slash form fails earlier.
        {"/Library/LaunchDaemons", Rejection::isAllowedRootItself},
        {"/Library/LaunchAgents", Rejection::isAllowedRootItself},
        {"/Library/PrivilegedHelperTools", Rejection::isAllowedRootItself},
        {"/Library/LaunchDaemons/", Rejection::emptyComponent},
        // Anything else: deeper, shallower, other letter case, look-alike folders.
        {"/Library/LaunchDaemons/sub/x.plist", Rejection::parentNotAllowed},
        {"/library/launchdaemons/x.plist", Rejection::parentNotAllowed},
        {"/Users/x/Library/LaunchAgents/y.plist", Rejection::parentNotAllowed},
        {"/Library/LaunchDaemonsX/x.plist", Rejection::parentNotAllowed},
        {"/Library/LaunchDaemons.plist", Rejection::parentNotAllowed},
        {"/Library", Rejection::parentNotAllowed},
        {"/x", Rejection::parentNotAllowed},
        {"/tmp/b.plist", Rejection::parentNotAllowed},
        // The system's autostart entries and units: entries and unit files or links only.
        {"/etc/xdg/autostart/miner.desktop", std::nullopt},
        {"/etc/xdg/autostart/.desktop", Rejection::nameNotAllowed},
        {"/etc/xdg/autostart/miner.sh", Rejection::nameNotAllowed},
        {"/etc/xdg/autostart/miner.desktop.d", Rejection::nameNotAllowed},
        {"/etc/systemd/system/miner.service", std::nullopt},
        {"/etc/systemd/system/miner.timer", std::nullopt},
        {"/etc/systemd/system/miner.socket", std::nullopt},
        {"/etc/systemd/system/miner.path", std::nullopt},
        {"/etc/systemd/user/miner.service", std::nullopt},
        {"/etc/systemd/system/multi-user.target.wants/miner.service", std::nullopt},
        {"/etc/systemd/user/default.target.wants/miner@1.service", std::nullopt},
        {"/etc/systemd/system/multi-user.target.wants", Rejection::isAllowedRootItself},
        {"/etc/systemd/user/default.target.wants", Rejection::isAllowedRootItself},
        {"/etc/systemd/system/miner.service.d", Rejection::nameNotAllowed},
        {"/etc/systemd/system/default.target", Rejection::nameNotAllowed},
        {"/etc/systemd/system/.service", Rejection::nameNotAllowed},
        {"/etc/systemd/system/multi-user.target.wants/x.conf", Rejection::nameNotAllowed},
        {"/etc/xdg/autostart", Rejection::isAllowedRootItself},
        {"/etc/systemd/system", Rejection::isAllowedRootItself},
        {"/etc/systemd/user", Rejection::isAllowedRootItself},
        // Nothing else of /etc or of systemd's folders.
        {"/etc/systemd/system/.wants/x.service", Rejection::parentNotAllowed},
        {"/etc/systemd/system/multi-user.target.wants/sub/x.service", Rejection::parentNotAllowed},
        {"/etc/systemd/system/x.requires/y.service", Rejection::parentNotAllowed},
        {"/etc/systemd/system/x.service.d/override.conf", Rejection::parentNotAllowed},
        {"/etc/systemd/x.service", Rejection::parentNotAllowed},
        {"/etc/systemd/system.conf", Rejection::parentNotAllowed},
        {"/etc/xdg/x.desktop", Rejection::parentNotAllowed},
        {"/etc/xdg/autostart/sub/x.desktop", Rejection::parentNotAllowed},
        {"/etc/passwd", Rejection::parentNotAllowed},
        {"/etc/cron.d/x.service", Rejection::parentNotAllowed},
        {"/usr/lib/systemd/system/x.service", Rejection::parentNotAllowed},
        {"/lib/systemd/system/x.service", Rejection::parentNotAllowed},
        {"/run/systemd/system/x.service", Rejection::parentNotAllowed},
        {"/home/u/.config/autostart/x.desktop", Rejection::parentNotAllowed},
        {"/home/u/.config/systemd/user/x.service", Rejection::parentNotAllowed},
        {"/ETC/systemd/system/x.service", Rejection::parentNotAllowed},
        {"/etc/systemd/System/x.service", Rejection::parentNotAllowed},
        {"/etc/systemd/system/../../shadow.service", Rejection::traversal},
    };
    for (const RejectCase& c : cases) {
        EXPECT_EQ(Policy::reject(c.path), c.expected)
            << "path " << testing::PrintToString(c.path) << " gave " << name(Policy::reject(c.path))
            << ", expected " << name(c.expected);
    }
}

// Characters that change how a name reads without being controls: a path holding one could be shown
// to the user (and echoed in a reply) as another. They are refused like the control characters; their
// neighbours are ordinary punctuation and pass.
TEST(SystemThreatRemovalPolicyTest, BidirectionalAndSeparatorCharactersAreRefusedLikeControls)
{
    struct Case
    {
        const char* what;
        std::string utf8;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"U+2027 hyphenation point", "\xe2\x80\xa7", false},
        {"U+2028 line separator", "\xe2\x80\xa8", true},
        {"U+2029 paragraph separator", "\xe2\x80\xa9", true},
        {"U+202A left-to-right embedding", "\xe2\x80\xaa", true},
        {"U+202B right-to-left embedding", "\xe2\x80\xab", true},
        {"U+202C pop directional formatting", "\xe2\x80\xac", true},
        {"U+202D left-to-right override", "\xe2\x80\xad", true},
        {"U+202E right-to-left override", "\xe2\x80\xae", true},
        {"U+202F narrow no-break space", "\xe2\x80\xaf", false},
        {"U+2065 (unassigned)", "\xe2\x81\xa5", false},
        {"U+2066 left-to-right isolate", "\xe2\x81\xa6", true},
        {"U+2067 right-to-left isolate", "\xe2\x81\xa7", true},
        {"U+2068 first strong isolate", "\xe2\x81\xa8", true},
        {"U+2069 pop directional isolate", "\xe2\x81\xa9", true},
        {"U+206A inhibit symmetric swapping", "\xe2\x81\xaa", false},
        {"U+200D zero width joiner", "\xe2\x80\x8d", false},
        {"U+200E left-to-right mark", "\xe2\x80\x8e", true},
        {"U+200F right-to-left mark", "\xe2\x80\x8f", true},
        {"U+2010 hyphen", "\xe2\x80\x90", false},
        {"U+061B Arabic semicolon", "\xd8\x9b", false},
        {"U+061C Arabic letter mark", "\xd8\x9c", true},
        {"U+061D Arabic end of text mark", "\xd8\x9d", false},
        {"the first byte of U+061C alone", "\xd8", false},
        {"U+0085 next line (C1)", "\xc2\x85", true},
        {"U+00A0 no-break space", "\xc2\xa0", false},
        {"the first two bytes of U+202E alone", "\xe2\x80", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // In the middle of a name, and at its very end where a sequence could be cut short.
        for (const std::string& path :
             {"/Library/LaunchAgents/gpj" + c.utf8 + "evil.plist", "/Library/LaunchAgents/x" + c.utf8}) {
            EXPECT_EQ(Policy::holdsRefusedCharacter(path), c.refused) << testing::PrintToString(path);
            EXPECT_EQ(Policy::reject(path), c.refused ? std::optional(Rejection::traversal) : std::nullopt)
                << testing::PrintToString(path);
        }
        EXPECT_EQ(Policy::holdsRefusedCharacter("com.example" + c.utf8), c.refused);
    }
}

TEST(SystemThreatRemovalPolicyTest, PartitionKeepsInputOrderAndDuplicates)
{
    const Policy::Partition empty = Policy::partition({});
    EXPECT_TRUE(empty.accepted.empty());
    EXPECT_TRUE(empty.rejected.empty());

    const Policy::Partition split =
        Policy::partition({"/Library/LaunchAgents/b.plist", "/tmp/x", "/Library/LaunchDaemons/a.plist",
                           "relative", "/Library/LaunchAgents/b.plist", "/tmp/x"});
    EXPECT_EQ(split.accepted,
              (std::vector<std::string>{"/Library/LaunchAgents/b.plist", "/Library/LaunchDaemons/a.plist",
                                        "/Library/LaunchAgents/b.plist"}));
    const std::vector<std::pair<std::string, Rejection>> rejected = {
        {"/tmp/x", Rejection::parentNotAllowed},
        {"relative", Rejection::notAbsolute},
        {"/tmp/x", Rejection::parentNotAllowed},
    };
    EXPECT_EQ(split.rejected, rejected);
}

TEST(SystemThreatRemovalPolicyTest, LabelsUseTheLaunchdAlphabetUpTo255Characters)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {std::string(255, 'a'), true},
        {std::string(256, 'a'), false},
        {"", false},
        {"com.example.agent", true},
        {"A-Z_a-z.0-9", true},
        {"-leading-dash", true},
        {"with space", false},
        {"with/slash", false},
        {"caf\xc3\xa9", false},
        {"colon:x", false},
        {"nul\0inside"s, false},
        {"tab\t", false},
    };
    for (const auto& [label, valid] : cases)
        EXPECT_EQ(Policy::isValidLabel(label), valid) << "label " << testing::PrintToString(label);
}

TEST(SystemThreatRemovalPolicyTest, LabelToBootoutNeedsAValidNonAppleLabelNamingAnAcceptedFile)
{
    struct Case
    {
        std::string label;
        std::vector<std::string> accepted;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"com.example.agent", {"/Library/LaunchDaemons/com.example.agent.plist"}, "com.example.agent"},
        {"com.example.agent", {"/Library/LaunchAgents/com.example.agent.plist"}, "com.example.agent"},
        // The label must be the file's whole name, with the letter case it has.
        {"com.example.agent", {"/Library/LaunchDaemons/my.com.example.agent.plist"}, std::nullopt},
        {"com.example.agent", {"/Library/LaunchDaemons/Com.Example.Agent.plist"}, std::nullopt},
        {"com.example.agent", {"/Library/LaunchDaemons/com.example.agent"}, std::nullopt},
        {"com.example.agent", {}, std::nullopt},
        // Some accepted path names it; the others do not matter.
        {"x", {"/Library/PrivilegedHelperTools/tool", "/Library/LaunchDaemons/x.plist"}, "x"},
        // Apple's own labels in any letter case are never booted out by request.
        {"com.apple.x", {"/Library/LaunchDaemons/com.apple.x.plist"}, std::nullopt},
        {"COM.APPLE.x", {"/Library/LaunchDaemons/COM.APPLE.x.plist"}, std::nullopt},
        {"Com.Apple.X", {"/Library/LaunchDaemons/Com.Apple.X.plist"}, std::nullopt},
        {"com.apple", {"/Library/LaunchDaemons/com.apple.plist"}, "com.apple"},
        {"com.applex.y", {"/Library/LaunchDaemons/com.applex.y.plist"}, "com.applex.y"},
        // A valid label may start with "-": it is only ever passed after "system/".
        {"-x", {"/Library/LaunchDaemons/-x.plist"}, "-x"},
        {"", {"/Library/LaunchDaemons/.plist"}, std::nullopt},
        {"a b", {"/Library/LaunchDaemons/a b.plist"}, std::nullopt},
        {std::string(256, 'a'), {"/Library/LaunchDaemons/" + std::string(256, 'a') + ".plist"}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Policy::labelToBootout(c.label, c.accepted), c.expected)
            << "label " << testing::PrintToString(c.label) << " with " << testing::PrintToString(c.accepted);
    }
}

} // namespace
} // namespace qm
