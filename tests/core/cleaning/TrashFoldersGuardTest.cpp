// The Trash's own folders are never an item: every module's guard refuses the home trash and each
// volume's trash folders of this user, and anything in them, as it refuses a path outside its roots,
// while it still admits what lies beside them.
#include "core/apps/LeftoverFinder.h"
#include "core/browsers/BrowserTable.h"
#include "core/cleaning/CleanupScanner.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/malware/MalwareScanner.h"
#include "core/privacy/PrivacyScanner.h"
#include "platform/Trash.h"
#include "support/FixtureHome.h"
#include "support/ScratchMount.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace qm {
namespace {

TEST(TrashFoldersGuard, EveryModulesGuardRefusesTheTrashAndWhatIsInIt)
{
    test::FixtureHome home;
    const Places places = home.places();
    const std::string uid = std::to_string(::geteuid());
    const Path trash = Trash::homeTrashDirectory();
    home.file(trash / "files/old.txt", 10);
    home.file(trash / "info/old.txt.trashinfo", 10);
    home.folder(places.dataHome() / "SomeApp");
    // Another volume mounted in the data home, with both kinds of per-user trash at its top.
    const test::ScratchMount volume = test::ScratchMount::tmpfs(home.folder(places.dataHome() / "volume"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(volume);
    const Path volumeTrash = volume.at() / Path(".Trash-" + uid);
    const Path sharedTrash = volume.at() / ".Trash" / Path(uid);
    home.file(volumeTrash / "files/item", 10);
    home.file(sharedTrash / "files/item", 10);

    struct Module
    {
        const char* name;
        SafetyGuard guard;
    };
    const Module modules[] = {
        {"Cleanup",
         CleanupScanner::guard(places, std::vector<JunkKind>(JunkKinds::all.begin(), JunkKinds::all.end()))},
        {"Applications (leftovers)", SafetyGuard(LeftoverFinder::allowedRoots(places))},
        {"Privacy", SafetyGuard(PrivacyScanner::allowedRoots(places))},
        {"Browsers", SafetyGuard(BrowserTable::allowedRoots(places))},
        {"Malware", SafetyGuard(MalwareScanner::allowedRoots({}, places))},
        {"Malware (links)",
         SafetyGuard(MalwareScanner::allowedRoots({}, places), SafetyGuard::FinalLink::asEntry)},
        {"File tools and Space Lens (the home chosen)", SafetyGuard({home.home()})},
        {"File tools (the whole disk chosen)", SafetyGuard({Path("/")})},
    };
    const Path refused[] = {
        trash,
        trash / "files",
        trash / "info",
        trash / "files/old.txt",
        trash / "info/old.txt.trashinfo",
        trash / "files/not-there-yet",
        volumeTrash,
        volumeTrash / "files",
        volumeTrash / "files/item",
        sharedTrash,
        sharedTrash / "files/item",
        Path("/.Trash-" + uid),
    };
    for (const Module& module : modules) {
        for (const Path& path : refused) {
            EXPECT_FALSE(module.guard.isCleanable(path)) << module.name << ": " << path;
            EXPECT_FALSE(module.guard.placementOf(path)) << module.name << ": " << path;
        }
    }
    // What lies beside the Trash is still judged by the roots alone.
    for (const Module& module : modules) {
        if (module.guard.allowedRoots().empty())
            continue;
        const Path beside = module.guard.allowedRoots().front() / "item";
        EXPECT_TRUE(module.guard.isCleanable(beside)) << module.name << ": " << beside;
    }
    const SafetyGuard cleanup =
        CleanupScanner::guard(places, std::vector<JunkKind>(JunkKinds::all.begin(), JunkKinds::all.end()));
    EXPECT_TRUE(cleanup.isCleanable(places.dataHome() / "SomeApp"));
    EXPECT_TRUE(cleanup.isCleanable(volume.at() / ".Trash-other"));
    EXPECT_TRUE(cleanup.isCleanable(volume.at() / ".Trash"));
}

} // namespace
} // namespace qm
