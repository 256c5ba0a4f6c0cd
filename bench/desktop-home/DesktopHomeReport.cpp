// Prints what Smart Scan and Cleanup find in the current user's home, per kind: items, bytes and the
// bytes preselected, one tab-separated line each ("smart"/"cleanup", kind, items, bytes, selected bytes,
// complete), then every item of Cleanup ("item", kind, bytes, path). Smart Scan counts what it offers (the
// preselected items of its kinds), Cleanup every item of every kind. Then what the malware scan finds
// with the shipped definitions, one line per finding ("threat", name, methods, removable or listed,
// path). Given a system root, it also lists the Applications page's inventory over the home and that
// root ("app", name, origin, version, icon or "-", entry path) and what each application's uninstall
// sheet offers ("leftover", name, location, item name, bytes, "selected"/"unselected"). Run by
// bench/desktop-home/run as the user who owns the generated home.
//
// Usage: qm_desktop_home_report [SYSTEM_ROOT]

#include "core/apps/DesktopAppScanner.h"
#include "core/apps/LeftoverFinder.h"
#include "core/cleaning/CleanupScanner.h"
#include "core/malware/DefinitionUpdater.h"
#include "core/malware/MalwareScanner.h"
#include "core/model/JunkKind.h"

#include <cstdio>
#include <vector>

namespace {

const char* originText(qm::AppOrigin origin)
{
    switch (origin) {
    case qm::AppOrigin::homeFile:
        return "home";
    case qm::AppOrigin::appImage:
        return "AppImage";
    case qm::AppOrigin::debianPackage:
        return "package";
    case qm::AppOrigin::userFlatpak:
        return "user Flatpak";
    case qm::AppOrigin::systemFlatpak:
        return "system Flatpak";
    case qm::AppOrigin::administrator:
        return "administrator";
    case qm::AppOrigin::other:
        break;
    }
    return "other";
}

// The inventory over the current user's home and `systemRoot`, and every application's leftovers.
void printApplications(const qm::Path& systemRoot)
{
    const qm::Path home = qm::FileSystem::homeDirectory();
    const qm::Places places = qm::Places::resolve(home, {}, systemRoot);
    const qm::DesktopAppScanner scanner(places, nullptr, QStringLiteral("C"));
    const qm::AppScanner::Listing listing = scanner.listApps();
    const qm::LeftoverFinder finder(qm::FileSystem(), qm::CleanupScanner(qm::FileSystem(), home), places);
    for (const qm::InstalledApp& app : listing.apps) {
        std::printf("app\t%s\t%s\t%s\t%s\t%s\n", app.name.toUtf8().constData(), originText(app.origin),
                    app.version.toUtf8().constData(), app.icon ? app.icon->c_str() : "-", app.url.c_str());
        for (const qm::LeftoverItem& item : finder.find(app, listing.apps, listing.complete).items)
            std::printf("leftover\t%s\t%s\t%s\t%lld\t%s\n", app.name.toUtf8().constData(),
                        item.location.toUtf8().constData(), item.name.toUtf8().constData(),
                        static_cast<long long>(item.bytes), item.isSelected ? "selected" : "unselected");
    }
    std::printf("inventory\t%s\n", listing.complete ? "complete" : "incomplete");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        printApplications(qm::Path(argv[1]));
    const qm::CleanupScanner scanner;
    const auto print = [](const char* who, const std::vector<qm::JunkCategory>& categories,
                          bool selectedOnly) {
        for (const qm::JunkCategory& category : categories) {
            long long items = 0;
            long long bytes = 0;
            long long selected = 0;
            for (const qm::ScanItem& item : category.items) {
                if (selectedOnly && !item.isSelected)
                    continue;
                ++items;
                bytes += item.bytes;
                if (item.isSelected)
                    selected += item.bytes;
            }
            std::printf("%s\t%s\t%lld\t%lld\t%lld\t%s\n", who,
                        qm::JunkKinds::toRaw(category.kind).toUtf8().constData(), items, bytes, selected,
                        category.incomplete ? "incomplete" : "complete");
        }
    };
    print("smart", scanner.scanAll(qm::JunkKinds::smartScanKinds(), {}), true);
    const std::vector<qm::JunkKind> all(qm::JunkKinds::all.begin(), qm::JunkKinds::all.end());
    const std::vector<qm::JunkCategory> cleanup = scanner.scanAll(all, {});
    print("cleanup", cleanup, false);
    for (const qm::JunkCategory& category : cleanup) {
        for (const qm::ScanItem& item : category.items)
            std::printf("item\t%s\t%lld\t%s\n", qm::JunkKinds::toRaw(category.kind).toUtf8().constData(),
                        static_cast<long long>(item.bytes), item.url.c_str());
    }

    const std::optional<QByteArray> document = qm::DefinitionUpdater::shippedResource()();
    const qm::Decoded<qm::MalwareDefinitions> shipped =
        qm::MalwareDefinitions::fromJsonText(document.value_or(QByteArray()));
    if (!shipped) {
        std::fprintf(stderr, "the shipped definitions could not be read\n");
        return 1;
    }
    const qm::MalwareScanner::Scan threats =
        qm::MalwareScanner::forSystem().scan(shipped->validated().definitions);
    for (const qm::ThreatFinding& finding : threats.findings)
        std::printf("threat\t%s\t%s\t%s\t%s\n", finding.threat.toUtf8().constData(),
                    finding.methodSummary().toUtf8().constData(), finding.removable ? "removable" : "listed",
                    finding.url.c_str());
    return 0;
}
