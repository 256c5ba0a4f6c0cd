#include "app/models/SystemThreatPlaces.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(SystemThreatPlaces, PrefixesAreTheLaunchItemFoldersUnderTheRoot)
{
    const SystemThreatPlaces places(Path("/tmp/root"));
    EXPECT_EQ(places.prefixes(),
              (std::vector<std::string>{"/tmp/root/etc/xdg/autostart/", "/tmp/root/etc/systemd/system/",
                                        "/tmp/root/etc/systemd/user/"}));
}

TEST(SystemThreatPlaces, OnlyAnUnremovableSystemLaunchItemNeedsTheHelper)
{
    struct Case
    {
        const char* path;
        bool removable;
        bool testFile;
        bool referenceOnly;
        bool systemLevel;
        bool needsHelper;
    };
    const Case cases[] = {
        {"/r/etc/systemd/system/x.service", false, false, false, true, true},
        {"/r/etc/systemd/user/x.service", false, false, false, true, true},
        {"/r/etc/xdg/autostart/x.desktop", false, false, false, true, true},
        {"/r/etc/xdg/autostart/x.desktop", true, false, false, true, false},
        {"/r/etc/xdg/autostart/x.desktop", false, true, false, true, false},
        {"/r/etc/xdg/autostart/x.desktop", false, false, true, true, false},
        {"/r/etc/systemd/systemx/x.service", false, false, false, false, false},
        {"/r/etc/systemd/system", false, false, false, false, false},
        {"/etc/systemd/system/x.service", false, false, false, false, false},
        {"/r/home/u/.config/autostart/x.desktop", false, false, false, false, false},
    };
    const SystemThreatPlaces places(Path("/r"));
    for (const Case& c : cases) {
        ThreatFinding finding;
        finding.url = Path(c.path);
        finding.removable = c.removable;
        finding.isTestFile = c.testFile;
        if (c.referenceOnly)
            finding.methods.push_back(DetectionMethod::cronPersistence);
        EXPECT_EQ(places.isSystemLevel(finding), c.systemLevel) << c.path;
        EXPECT_EQ(places.needsHelper(finding), c.needsHelper) << c.path << c.removable << c.testFile;
    }
}

TEST(SystemThreatPlaces, SystemPathDropsTheRootOnlyWhenThePathLiesUnderIt)
{
    const struct
    {
        const char* root;
        const char* path;
        const char* system;
    } cases[] = {
        {"/r", "/r/etc/systemd/system/x.service", "/etc/systemd/system/x.service"},
        {"/r/", "/r/etc/x", "/etc/x"},
        {"/r", "/rr/etc/x", "/rr/etc/x"},
        {"/r", "/r", "/r"},
        {"/", "/etc/x", "/etc/x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SystemThreatPlaces(Path(c.root)).systemPath(Path(c.path)), Path(c.system))
            << c.root << c.path;
}

} // namespace
} // namespace qm
