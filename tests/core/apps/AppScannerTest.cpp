#include "core/apps/AppScanner.h"

#include "PlistBytes.h"
#include "support/FakeCodeSigner.h"
#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

using test::PlistEntries;

// A system root and a home folder side by side in one temp tree, with a fake signer.
class AppScannerTest : public ::testing::Test
{
protected:
    test::TempTree tree;
    Path systemRoot = tree.folder("system");
    Path home = tree.folder("home");
    Path apps = tree.folder("system/opt");
    std::shared_ptr<test::FakeCodeSigner> signer = std::make_shared<test::FakeCodeSigner>();

    AppScanner scanner(std::optional<std::vector<Path>> directories = std::nullopt) const
    {
        return AppScanner(FileSystem(), CleanupScanner(FileSystem(), home), std::move(directories), signer,
                          systemRoot);
    }

    // A bundle folder with Contents/Info.plist holding `entries`.
    Path bundle(const Path& path, const PlistEntries& entries, bool binary = false)
    {
        tree.fileWithContent(path / "Contents/Info.plist", test::dictionaryBytes(entries, binary));
        return tree.path(path);
    }
    Path namedBundle(const Path& path, const QString& name, const QString& id = {})
    {
        PlistEntries entries{{"CFBundleName", name.toStdString()}};
        if (!id.isEmpty())
            entries.emplace_back("CFBundleIdentifier", id.toStdString());
        return bundle(path, entries);
    }

    static std::vector<QString> names(const AppScanner::Listing& listing)
    {
        std::vector<QString> out;
        for (const InstalledApp& app : listing.apps)
            out.push_back(app.name);
        return out;
    }
};

TEST_F(AppScannerTest, AppDirectories)
{
    const auto places = [&](const Path& of) { return Places::resolveWith(of, {}, systemRoot, std::nullopt); };
    EXPECT_EQ(AppScanner::appDirectories(places(home)), std::vector<Path>{systemRoot / "opt"});
    tree.folder("home/Applications");
    EXPECT_EQ(AppScanner::appDirectories(places(home)),
              (std::vector<Path>{systemRoot / "opt", home / "Applications"}));
    // Anything at that path counts, even a link that leads nowhere.
    test::TempTree other;
    other.symlink("nowhere", "Applications");
    EXPECT_EQ(AppScanner::appDirectories(places(other.root())).size(), 2u);
}

TEST_F(AppScannerTest, ListsBundlesWithTheirIdentitySortedByName)
{
    bundle("system/opt/Zeta.app", {{"CFBundleName", std::string("zeta")},
                                   {"CFBundleIdentifier", std::string("com.Example.Zeta")},
                                   {"CFBundleShortVersionString", std::string("  2.1 \n")},
                                   {"CFBundleIconFile", std::string("ZetaIcon")}});
    tree.file("system/opt/Zeta.app/Contents/Resources/ZetaIcon.icns", 100);
    bundle("system/opt/Utilities/beta.app",
           {{"CFBundleDisplayName", std::string("Beta Tool")},
            {"CFBundleName", std::string("beta")},
            {"CFBundleIdentifier", std::string("org.beta")},
            {"CFBundleShortVersionString", std::string("$(MARKETING_VERSION)")},
            {"CFBundleIconFile", std::string("beta.png")}},
           true);
    tree.file("system/opt/Utilities/beta.app/Contents/Resources/beta.png", 100);
    bundle("home/Applications/Alpha.app", {{"CFBundleName", std::string("Alpha")}}, true);
    tree.file("system/opt/readme.txt", 10);
    tree.file("system/opt/.Hidden.app/Contents/Info.plist", 10);

    const AppScanner::Listing listing = scanner().listApps();
    EXPECT_TRUE(listing.complete);
    ASSERT_EQ(names(listing), (std::vector<QString>{u"Alpha"_qs, u"Beta Tool"_qs, u"zeta"_qs}));

    const InstalledApp& alpha = listing.apps[0];
    EXPECT_EQ(alpha.url, home / "Applications/Alpha.app");
    EXPECT_EQ(alpha.bundleID, QString());
    EXPECT_EQ(alpha.version, QString());
    EXPECT_EQ(alpha.icon, std::nullopt);

    const InstalledApp& beta = listing.apps[1];
    EXPECT_EQ(beta.url, apps / "Utilities/beta.app");
    EXPECT_EQ(beta.bundleID, u"org.beta"_qs);
    EXPECT_EQ(beta.version, QString());
    EXPECT_EQ(beta.icon, apps / "Utilities/beta.app/Contents/Resources/beta.png");

    const InstalledApp& zeta = listing.apps[2];
    EXPECT_EQ(zeta.id(), (apps / "Zeta.app").native());
    EXPECT_EQ(zeta.bundleID, u"com.Example.Zeta"_qs);
    EXPECT_EQ(zeta.version, u"2.1"_qs);
    EXPECT_EQ(zeta.icon, apps / "Zeta.app/Contents/Resources/ZetaIcon.icns");

    for (const InstalledApp& app : listing.apps)
        EXPECT_EQ(app.sizeBytes, 0);
    EXPECT_TRUE(signer->requirementChecks().empty()); // no Apple claim, no signature question
}

TEST_F(AppScannerTest, NamesFollowTheBundleAndFallBackToItsFileName)
{
    struct Case
    {
        const char* folder;
        PlistEntries entries;
        QString name;
    };
    const std::vector<Case> cases{
        {"Empty Display.app",
         {{"CFBundleDisplayName", std::string()}, {"CFBundleName", std::string("x")}},
         u""_qs},
        {"Number Display.app",
         {{"CFBundleDisplayName", std::int64_t(7)}, {"CFBundleName", std::string("named")}},
         u"named"_qs},
        {"No Names.app", {{"CFBundleIdentifier", std::string("com.x.nonames")}}, u"No Names"_qs},
        {"Empty Dict.app", {}, u"Empty Dict"_qs},
        {"Dotted.Name.app", {{"CFBundleName", std::int64_t(1)}}, u"Dotted.Name"_qs},
        {"Ünïcödé.app", {}, u"Ünïcödé"_qs},
    };
    for (const Case& c : cases)
        bundle(Path("system/opt") / c.folder, c.entries);
    const AppScanner::Listing listing = scanner().listApps();
    EXPECT_TRUE(listing.complete);
    for (const Case& c : cases) {
        const auto it = std::find_if(listing.apps.begin(), listing.apps.end(),
                                     [&](const InstalledApp& a) { return a.url == apps / c.folder; });
        ASSERT_NE(it, listing.apps.end()) << c.folder;
        EXPECT_EQ(it->name, c.name) << c.folder;
    }
}

TEST_F(AppScannerTest, UnreadablePropertyListsCountAgainstCompleteness)
{
    struct Case
    {
        const char* what;
        std::function<void(const Path& bundle)> make;
        bool complete;
    };
    const std::vector<Case> cases{
        {"readable, with an identifier",
         [&](const Path& b) {
             bundle(b, {{"CFBundleIdentifier", std::string("a.b")}});
         },
         true},
        {"readable, without an identifier",
         [&](const Path& b) {
             bundle(b, {{"CFBundleName", std::string("n")}});
         },
         true},
        {"readable but not a property list",
         [&](const Path& b) { tree.fileWithContent(b / "Contents/Info.plist", "garbage"); }, true},
        {"a list that is no dictionary",
         [&](const Path& b) {
             tree.fileWithContent(b / "Contents/Info.plist", test::plistBytes(plist_new_array(), false));
         },
         true},
        {"no property list", [&](const Path& b) { tree.folder(b / "Contents"); }, false},
        {"a bundle that is a plain file", [&](const Path& b) { tree.file(b, 10); }, false},
        {"a FIFO in its place", [&](const Path& b) { tree.fifo(b / "Contents/Info.plist"); }, false},
        {"a link in its place",
         [&](const Path& b) {
             tree.symlink(bundle("elsewhere.app", {{"CFBundleName", std::string("x")}}) /
                              "Contents/Info.plist",
                          b / "Contents/Info.plist");
         },
         false},
        {"larger than the read limit",
         [&](const Path& b) { tree.file(b / "Contents/Info.plist", AppScanner::kMaxInfoPlistBytes + 1); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempTree root;
        const Path app = root.path("Some.app");
        // Built in this case's own root, through the fixture's helpers.
        c.make(app);
        const AppScanner::Listing listing = scanner({{root.root()}}).listApps();
        ASSERT_EQ(listing.apps.size(), 1u);
        EXPECT_EQ(listing.apps[0].url, app);
        EXPECT_EQ(listing.complete, c.complete);
    }
}

TEST_F(AppScannerTest, UnprovenAppleIdentifiersAreBlanked)
{
    const Path claimed = namedBundle("system/opt/Claimed.app", u"Claimed"_qs, u"com.apple.Safari"_qs);
    const Path mixed = namedBundle("system/opt/Mixed.app", u"Mixed"_qs, u"COM.Apple.Mixed"_qs);
    const Path proven = namedBundle("system/opt/Proven.app", u"Proven"_qs, u"com.apple.Notes"_qs);
    const Path provenMixed = namedBundle("system/opt/PM.app", u"PM"_qs, u"Com.Apple.PM"_qs);
    namedBundle("system/opt/Sauce.app", u"Sauce"_qs, u"com.applesauce.tool"_qs);
    namedBundle("system/opt/Plain.app", u"Plain"_qs, u"org.example.plain"_qs);
    signer->satisfy(proven, AppScanner::kAppleApplicationRequirement);
    signer->satisfy(provenMixed, AppScanner::kAppleApplicationRequirement);
    signer->satisfy(claimed, u"anchor apple"_qs); // another requirement does not help

    const AppScanner::Listing listing = scanner().listApps();
    EXPECT_TRUE(listing.complete); // a failed claim is no gap
    std::map<QString, QString> ids;
    for (const InstalledApp& app : listing.apps)
        ids[app.name] = app.bundleID;
    EXPECT_EQ(ids[u"Claimed"_qs], QString());
    EXPECT_EQ(ids[u"Mixed"_qs], QString());
    EXPECT_EQ(ids[u"Proven"_qs], u"com.apple.Notes"_qs);
    EXPECT_EQ(ids[u"PM"_qs], u"Com.Apple.PM"_qs);
    EXPECT_EQ(ids[u"Sauce"_qs], u"com.applesauce.tool"_qs);
    EXPECT_EQ(ids[u"Plain"_qs], u"org.example.plain"_qs);

    std::set<Path> asked;
    for (const auto& [code, requirement] : signer->requirementChecks()) {
        asked.insert(code);
        EXPECT_EQ(requirement, u"anchor apple or (anchor apple generic and certificate leaf[subject.CN] = "
                               u"\"Apple Mac OS Application Signing\")"_qs);
    }
    EXPECT_EQ(asked, (std::set<Path>{claimed, mixed, proven, provenMixed}));

    // The system's signer on this platform proves nothing.
    const AppScanner::Listing real =
        AppScanner(FileSystem(), CleanupScanner(FileSystem(), home), std::nullopt, nullptr, systemRoot)
            .listApps();
    for (const InstalledApp& app : real.apps)
        EXPECT_FALSE(app.bundleID.toLower().startsWith(u"com.apple."_qs)) << app.name.toStdString();
}

TEST_F(AppScannerTest, WalksTwoFolderLevelsAndNoticesDeeperBundles)
{
    struct Case
    {
        const char* path;
        bool found;
        bool complete;
    };
    for (const Case& c :
         {Case{"X.app", true, true}, Case{"a/X.app", true, true}, Case{"a/b/X.app", true, true},
          Case{"a/b/c/X.app", false, false}, Case{"a/b/c/d/X.app", false, true},
          Case{"a/b/c/.X.app", false, true}, Case{"Foo.APP/X.app", true, true},
          Case{"Outer.app/Contents/Inner.app", false, true}}) {
        SCOPED_TRACE(c.path);
        test::TempTree root;
        namedBundle(root.path(c.path), u"X"_qs);
        if (Path(c.path).begin()->native() == "Outer.app")
            namedBundle(root.path("Outer.app"), u"Outer"_qs); // a bundle is never entered
        const AppScanner::Listing listing = scanner({{root.root()}}).listApps();
        const bool found = std::any_of(listing.apps.begin(), listing.apps.end(),
                                       [&](const InstalledApp& a) { return a.url == root.path(c.path); });
        EXPECT_EQ(found, c.found);
        EXPECT_EQ(listing.complete, c.complete);
    }
}

TEST_F(AppScannerTest, BundlesReachedTwiceAreListedOnceAndLinkedFoldersNotAtAll)
{
    const Path real = namedBundle("system/opt/Real.app", u"Real"_qs);
    tree.symlink(real, "system/opt/Real Alias.app");
    tree.symlink(real, "home/Applications/Also Real.app");
    // A linked folder full of applications contributes nothing.
    namedBundle("outside/Hidden Gem.app", u"Gem"_qs);
    tree.symlink(tree.path("outside"), "system/opt/Linked Folder");
    tree.symlink(tree.path("outside"), "system/opt/Sub/Linked Again");

    const AppScanner::Listing listing = scanner().listApps();
    EXPECT_TRUE(listing.complete);
    ASSERT_EQ(listing.apps.size(), 1u);
    // Whichever of the two names in the first root was listed first; never the second root's.
    EXPECT_TRUE(listing.apps[0].url == real || listing.apps[0].url == apps / "Real Alias.app");

    // A root that is itself a link is listed through it, its records keeping the path as given.
    test::TempTree linkedHome;
    linkedHome.symlink(tree.path("outside"), "Applications");
    const AppScanner::Listing viaLink = scanner({{linkedHome.path("Applications")}}).listApps();
    ASSERT_EQ(viaLink.apps.size(), 1u);
    EXPECT_EQ(viaLink.apps[0].url, linkedHome.path("Applications/Hidden Gem.app"));
}

TEST_F(AppScannerTest, RootsThatAreMissingOrUnreadable)
{
    const AppScanner::Listing missing =
        scanner({{tree.path("nowhere"), tree.path("nowhere/either")}}).listApps();
    EXPECT_TRUE(missing.apps.empty());
    EXPECT_TRUE(missing.complete);
    const AppScanner::Listing none = scanner(std::vector<Path>{}).listApps();
    EXPECT_TRUE(none.apps.empty());
    EXPECT_TRUE(none.complete);

    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    namedBundle("open/Open.app", u"Open"_qs);
    namedBundle("closed/Closed.app", u"Closed"_qs);
    namedBundle("open/Sub/Inner.app", u"Inner"_qs);
    namedBundle("open/Locked/Deep.app", u"Deep"_qs);
    tree.chown(tree.path("closed"));
    tree.chmod(tree.path("closed"), 0700);
    tree.chown(tree.path("open/Locked"));
    tree.chmod(tree.path("open/Locked"), 0700);

    test::DroppedPrivileges dropped(1000, 1000);
    const AppScanner::Listing readable =
        scanner({{tree.path("open/Sub")}}).listApps(); // the positive control
    EXPECT_EQ(names(readable), std::vector<QString>{u"Inner"_qs});
    EXPECT_TRUE(readable.complete);

    const AppScanner::Listing closedRoot = scanner({{tree.path("closed"), tree.path("open")}}).listApps();
    EXPECT_EQ(names(closedRoot), (std::vector<QString>{u"Inner"_qs, u"Open"_qs}));
    EXPECT_FALSE(closedRoot.complete);

    const AppScanner::Listing closedSubfolder = scanner({{tree.path("open")}}).listApps();
    EXPECT_FALSE(closedSubfolder.complete);
}

TEST_F(AppScannerTest, EqualNamesKeepDiscoveryOrder)
{
    namedBundle("system/opt/One.app", u"editor"_qs);
    namedBundle("home/Applications/Two.app", u"Editor"_qs);
    namedBundle("home/Applications/Three.app", u"beta"_qs);
    namedBundle("home/Applications/Four.app", u"zulu"_qs);
    namedBundle("home/Applications/Five.app", u"Apple"_qs);

    const AppScanner::Listing listing = scanner().listApps();
    EXPECT_EQ(names(listing),
              (std::vector<QString>{u"Apple"_qs, u"beta"_qs, u"editor"_qs, u"Editor"_qs, u"zulu"_qs}));
    const AppScanner::Listing reversed = scanner({{home / "Applications", systemRoot / "opt"}}).listApps();
    EXPECT_EQ(names(reversed),
              (std::vector<QString>{u"Apple"_qs, u"beta"_qs, u"Editor"_qs, u"editor"_qs, u"zulu"_qs}));
}

TEST_F(AppScannerTest, CancellationReturnsWhatWasFoundSorted)
{
    for (int i = 0; i < 30; ++i)
        namedBundle(apps / ("App" + std::to_string(i) + ".app"), u"App "_qs + QString::number(29 - i));
    const Path trigger = namedBundle(apps / "Trigger.app", u"Trigger"_qs, u"com.apple.trigger"_qs);
    namedBundle("home/Applications/Later.app", u"Later"_qs);

    // Cancelled while the Apple claim is checked: that bundle is still recorded, nothing after it.
    std::stop_source source;
    signer->onRequirementCheck([&](const Path&, const QString&) { source.request_stop(); });
    const AppScanner::Listing listing = scanner().listApps(source.get_token());
    EXPECT_FALSE(listing.complete);
    EXPECT_LT(listing.apps.size(), 32u);
    EXPECT_TRUE(std::any_of(listing.apps.begin(), listing.apps.end(),
                            [&](const InstalledApp& a) { return a.url == trigger; }));
    EXPECT_FALSE(std::any_of(listing.apps.begin(), listing.apps.end(),
                             [&](const InstalledApp& a) { return a.name == u"Later"_qs; }));
    EXPECT_TRUE(std::is_sorted(listing.apps.begin(), listing.apps.end(), [](const auto& a, const auto& b) {
        return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    }));

    std::stop_source before;
    before.request_stop();
    const AppScanner::Listing nothing = scanner().listApps(before.get_token());
    EXPECT_TRUE(nothing.apps.empty());
    EXPECT_FALSE(nothing.complete);
}

TEST_F(AppScannerTest, IconFilesStayInsideTheBundle)
{
    struct Case
    {
        const char* folder;
        std::string iconFile;
        const char* make; // file made inside Contents/Resources, or nothing
        bool found;
    };
    tree.file("system/secret.icns", 10);
    for (const Case& c :
         {Case{"Plain.app", "Icon", "Icon.icns", true}, Case{"Ext.app", "Icon.icns", "Icon.icns", true},
          Case{"Missing.app", "Icon", nullptr, false},
          Case{"Climb.app", "../../../../secret.icns", nullptr, false},
          Case{"Dots.app", "..", nullptr, false}, Case{"Empty.app", "", nullptr, false}}) {
        bundle(apps / c.folder, {{"CFBundleIconFile", c.iconFile}});
        if (c.make)
            tree.file(apps / c.folder / "Contents/Resources" / c.make, 10);
    }
    bundle(apps / "Linked.app", {{"CFBundleIconFile", std::string("Icon.icns")}});
    tree.symlink(tree.path("system/secret.icns"), apps / "Linked.app/Contents/Resources/Icon.icns");

    const AppScanner::Listing listing = scanner().listApps();
    for (const InstalledApp& app : listing.apps) {
        const bool expectIcon = app.url.filename() == "Plain.app" || app.url.filename() == "Ext.app";
        EXPECT_EQ(app.icon.has_value(), expectIcon) << app.url;
        if (app.icon) {
            EXPECT_EQ(app.icon->parent_path(), app.url / "Contents/Resources");
        }
    }
}

TEST_F(AppScannerTest, NamesThatAreNotUtf8KeepTheirBytes)
{
    const Path odd = apps / (test::TempTree::nonUtf8Name().native() + ".app");
    bundle(odd, {});
    const AppScanner::Listing listing = scanner().listApps();
    ASSERT_EQ(listing.apps.size(), 1u);
    EXPECT_EQ(listing.apps[0].url, odd);
    EXPECT_EQ(listing.apps[0].name, FileSystem::displayName(test::TempTree::nonUtf8Name()));
}

} // namespace
} // namespace qm
