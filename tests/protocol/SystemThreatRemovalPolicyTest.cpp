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
        // The direct children of the allowed folders, however their names look before the suffix.
        {"/etc/systemd/system/.hidden.service", std::nullopt},
        {"/etc/systemd/system/....service", std::nullopt},
        {"/etc/xdg/autostart/caf\xc3\xa9.desktop", std::nullopt},
        // Not absolute.
        {"etc/systemd/system/x.service", Rejection::notAbsolute},
        {"", Rejection::notAbsolute},
        {"./etc/systemd/system/x.service", Rejection::notAbsolute},
        {"etc/systemd/system/x\0.service"s, Rejection::notAbsolute},
        // Traversal.
        {"/etc/systemd/system/../system/x.service", Rejection::traversal},
        {"/etc/systemd/system/..", Rejection::traversal},
        {"/etc/systemd/system/x/..", Rejection::traversal},
        {"/../etc/systemd/system/x.service", Rejection::traversal},
        // Control characters: a NUL would cut the path short once it reaches the C library, here down
        // to an allowed folder; every other control character goes the same way.
        {"/etc/systemd/system\0/x.service"s, Rejection::traversal},
        {"/etc/systemd/system/x.service\0/../../../passwd"s, Rejection::traversal},
        {"/etc/systemd/system/x\n.service", Rejection::traversal},
        {"/etc/systemd/system/x\t.service", Rejection::traversal},
        {"/etc/systemd/system/x\x1b.service", Rejection::traversal},
        {"/etc/systemd/system/x\x7f.service", Rejection::traversal},
        {"/etc/systemd/system/x\xc2\x85.service", Rejection::traversal},
        // Empty and "." components, and which of the two comes first.
        {"/etc//systemd/system/x.service", Rejection::emptyComponent},
        {"/etc/systemd/system/./x.service", Rejection::emptyComponent},
        {"/etc/systemd/system/x.service/", Rejection::emptyComponent},
        {"/", Rejection::emptyComponent},
        {"//", Rejection::emptyComponent},
        {"/etc//../x", Rejection::emptyComponent},
        {"/etc/../systemd//x", Rejection::traversal},
        // The trailing-slash form of an allowed folder fails before it is compared.
        {"/etc/systemd/system/", Rejection::emptyComponent},
        // The folders of the other platform's launch jobs and privileged tools are no places here.
        {"/Library/LaunchDaemons/com.example.agent.plist", Rejection::parentNotAllowed},
        {"/Library/LaunchAgents/x.plist", Rejection::parentNotAllowed},
        {"/Library/PrivilegedHelperTools/tool", Rejection::parentNotAllowed},
        {"/Library/LaunchDaemons", Rejection::parentNotAllowed},
        // Anything else: deeper, shallower, other letter case, look-alike folders.
        {"/etc/systemd/systemX/x.service", Rejection::parentNotAllowed},
        {"/etc/systemd/system.service", Rejection::parentNotAllowed},
        {"/etc", Rejection::parentNotAllowed},
        {"/x", Rejection::parentNotAllowed},
        {"/tmp/b.service", Rejection::parentNotAllowed},
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
        // In the middle of a name, and at the very end of a path where a sequence could be cut short
        // (a name without the entries' suffix, refused for that unless the character comes first).
        const std::string middle = "/etc/xdg/autostart/gpj" + c.utf8 + "evil.desktop";
        const std::string end = "/etc/xdg/autostart/x" + c.utf8;
        EXPECT_EQ(Policy::holdsRefusedCharacter(middle), c.refused) << testing::PrintToString(middle);
        EXPECT_EQ(Policy::reject(middle), c.refused ? std::optional(Rejection::traversal) : std::nullopt)
            << testing::PrintToString(middle);
        EXPECT_EQ(Policy::holdsRefusedCharacter(end), c.refused) << testing::PrintToString(end);
        EXPECT_EQ(Policy::reject(end), c.refused ? Rejection::traversal : Rejection::nameNotAllowed)
            << testing::PrintToString(end);
        EXPECT_EQ(Policy::holdsRefusedCharacter("com.example" + c.utf8), c.refused);
    }
}

// A unit file's name is handed to systemctl, which reads a name holding "*", "?" or "[" as a pattern
// over every unit it knows: only names that systemd takes as one unit are admitted in the unit folders.
TEST(SystemThreatRemovalPolicyTest, UnitFoldersAdmitOnlyNamesSystemdReadsAsOneUnit)
{
    struct Case
    {
        std::string name;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"miner.service", true},
        {"Miner_2:x-y.timer", true},
        {"a\\x2dminer.socket", true},
        {"getty@tty1.service", true},
        {"getty@.service", true},
        {"..hidden.path", true},
        {std::string(247, 'a') + ".service", true},
        {std::string(248, 'a') + ".service", false},
        {"*.service", false},
        {"ssh*.service", false},
        {"[a-z]*.service", false},
        {"ssh?.service", false},
        {"@x.service", false},
        {"a@b@c.service", false},
        {"a b.service", false},
        {"caf\xc3\xa9.service", false},
        {"miner.target", false},
        {"miner.service.conf", false},
        {".service", false},
        {"miner", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        EXPECT_EQ(Policy::isValidUnitName(c.name), c.valid);
        for (const std::string folder :
             {"/etc/systemd/system/", "/etc/systemd/user/", "/etc/systemd/system/multi-user.target.wants/"}) {
            const std::optional<Rejection> expected =
                c.valid
                    ? std::nullopt
                    : std::optional(c.name.empty() ? Rejection::emptyComponent : Rejection::nameNotAllowed);
            EXPECT_EQ(Policy::reject(folder + c.name), expected) << folder;
        }
    }
}

TEST(SystemThreatRemovalPolicyTest, PartitionKeepsInputOrderAndDuplicates)
{
    const Policy::Partition empty = Policy::partition({});
    EXPECT_TRUE(empty.accepted.empty());
    EXPECT_TRUE(empty.rejected.empty());

    const Policy::Partition split =
        Policy::partition({"/etc/systemd/user/b.service", "/tmp/x", "/etc/xdg/autostart/a.desktop",
                           "relative", "/etc/systemd/user/b.service", "/tmp/x"});
    EXPECT_EQ(split.accepted,
              (std::vector<std::string>{"/etc/systemd/user/b.service", "/etc/xdg/autostart/a.desktop",
                                        "/etc/systemd/user/b.service"}));
    const std::vector<std::pair<std::string, Rejection>> rejected = {
        {"/tmp/x", Rejection::parentNotAllowed},
        {"relative", Rejection::notAbsolute},
        {"/tmp/x", Rejection::parentNotAllowed},
    };
    EXPECT_EQ(split.rejected, rejected);
}

} // namespace
} // namespace qm
