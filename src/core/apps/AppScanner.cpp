#include "core/apps/AppScanner.h"

#include "core/apps/AppVersion.h"
#include "core/apps/PropertyList.h"
#include "platform/BoundedReader.h"

#include <QCollator>

#include <algorithm>
#include <set>
#include <string>

namespace qm {
namespace {

const Path kBundleExtension(".app");

bool isHidden(const Path& name)
{
    const std::string& text = name.native();
    return !text.empty() && text.front() == '.';
}

// A plist value usable as a file name inside the bundle: one plain component, nothing that climbs out
// or is cut short at a NUL.
bool isPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

} // namespace

const QString AppScanner::kAppleApplicationRequirement =
    QStringLiteral("anchor apple or (anchor apple generic and certificate leaf[subject.CN] = \"Apple Mac OS "
                   "Application Signing\")");

struct AppScanner::Walk
{
    std::stop_token stop;
    std::vector<InstalledApp> apps;
    std::set<std::string> seen; // link-resolved bundle paths
    bool complete = true;
};

AppScanner::AppScanner(FileSystem fileManager, CleanupScanner sizer,
                       std::optional<std::vector<Path>> directories, std::shared_ptr<const CodeSigner> signer,
                       Path systemRoot)
    : m_fileManager(std::move(fileManager)), m_sizer(std::move(sizer)), m_directories(std::move(directories)),
      m_signer(signer ? std::move(signer) : std::make_shared<SecCodeSigner>()),
      m_systemRoot(std::move(systemRoot))
{}

std::vector<Path> AppScanner::appDirectories(const Places& places, const FileSystem& fileManager)
{
    std::vector<Path> folders{places.optionalSoftware()};
    Path own = places.userApplications();
    if (fileManager.exists(own))
        folders.push_back(std::move(own));
    return folders;
}

AppScanner::Listing AppScanner::listApps(std::stop_token stop) const
{
    Walk walk;
    walk.stop = std::move(stop);
    const std::vector<Path> roots =
        m_directories ? *m_directories
                      : appDirectories(Places::resolveWith(m_sizer.home(), {}, m_systemRoot, std::nullopt),
                                       m_fileManager);
    for (const Path& root : roots)
        collectApps(root, 0, walk);

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(walk.apps.begin(), walk.apps.end(), [&](const InstalledApp& a, const InstalledApp& b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return Listing{std::move(walk.apps), walk.complete};
}

void AppScanner::collectApps(const Path& folder, int depth, Walk& walk) const
{
    // A root may itself be a link (a linked ~/Applications); below the roots no link is followed.
    const auto listing = m_fileManager.list(depth == 0 ? FileSystem::resolveLinks(folder) : folder);
    if (!listing) {
        // A missing root, such as an absent ~/Applications, is not a gap.
        if (m_fileManager.exists(folder))
            walk.complete = false;
        return;
    }
    if (listing->truncated)
        walk.complete = false;

    for (const Path& name : listing->names) {
        if (isHidden(name))
            continue;
        if (walk.stop.stop_requested()) {
            walk.complete = false;
            return;
        }
        const Path child = folder / name;
        if (name.extension() == kBundleExtension) {
            // Never entered: nothing inside a bundle is examined.
            if (!walk.seen.insert(FileSystem::resolveLinks(child).native()).second)
                continue;
            auto [app, readable] = metadata(child);
            walk.apps.push_back(std::move(app));
            if (!readable)
                walk.complete = false;
            continue;
        }
        const auto status = m_fileManager.status(child);
        if (!status || status->isSymlink() || !status->isDirectory())
            continue;
        if (depth <= 1)
            collectApps(child, depth + 1, walk);
        else
            peek(child, walk);
    }
}

void AppScanner::peek(const Path& folder, Walk& walk) const
{
    const auto listing = m_fileManager.list(folder);
    if (!listing) {
        if (m_fileManager.exists(folder))
            walk.complete = false;
        return;
    }
    for (const Path& name : listing->names) {
        if (!isHidden(name) && name.extension() == kBundleExtension) {
            walk.complete = false; // an application lies deeper than the walk reaches
            return;
        }
    }
    if (listing->truncated)
        walk.complete = false;
}

bool AppScanner::isLinkedBundle(const Path& bundle, const FileSystem& fileManager)
{
    const auto status = fileManager.status(FileSystem::standardize(bundle));
    return status && status->isSymlink();
}

QString AppScanner::linkedBundleRefusal()
{
    return QStringLiteral("It is a link to an application stored elsewhere. Remove the application "
                          "itself from where the link points.");
}

QString AppScanner::bundleIdentifier(const Path& bundle) const
{
    const auto bytes = readBounded(bundle / "Contents" / "Info.plist", kMaxInfoPlistBytes);
    if (!bytes)
        return {};
    const auto info = PropertyList::parse(*bytes);
    if (!info || !info->isDictionary())
        return {};
    QString id = info->string("CFBundleIdentifier").value_or(QString());
    if (id.toLower().startsWith(QLatin1String("com.apple.")) &&
        !m_signer->satisfiesRequirement(bundle, kAppleApplicationRequirement))
        id.clear();
    return id;
}

std::pair<InstalledApp, bool> AppScanner::metadata(const Path& bundle) const
{
    InstalledApp app;
    app.url = bundle;

    const auto bytes = readBounded(bundle / "Contents" / "Info.plist", kMaxInfoPlistBytes);
    const bool plistReadable = bytes.ok();
    std::optional<PropertyList> info;
    if (bytes) {
        if (auto parsed = PropertyList::parse(*bytes); parsed && parsed->isDictionary())
            info = std::move(*parsed);
    }

    if (info)
        app.bundleID = info->string("CFBundleIdentifier").value_or(QString());
    // Anyone can write an Apple identifier into a plist; only Apple's signature makes it count.
    if (app.bundleID.toLower().startsWith(QLatin1String("com.apple.")) &&
        !m_signer->satisfiesRequirement(bundle, kAppleApplicationRequirement))
        app.bundleID.clear();

    std::optional<QString> name;
    if (info && info->dictionarySize() > 0) {
        name = info->string("CFBundleDisplayName");
        if (!name)
            name = info->string("CFBundleName");
    }
    app.name = name ? *name : FileSystem::displayName(bundle.filename().stem());

    if (info)
        app.version = AppVersion::sanitize(info->string("CFBundleShortVersionString").value_or(QString()));

    if (info) {
        if (const auto iconFile = info->stringBytes("CFBundleIconFile");
            iconFile && isPlainFileName(*iconFile)) {
            Path icon = bundle / "Contents" / "Resources" / *iconFile;
            if (!icon.has_extension())
                icon += ".icns";
            if (const auto status = m_fileManager.status(icon); status && status->isRegular())
                app.icon = std::move(icon);
        }
    }

    app.sizeBytes = 0;
    // A bundle with no usable identifier counts against completeness only when its plist could not
    // be read: an application may hide behind it.
    const bool metadataReadable = !app.bundleID.isEmpty() || plistReadable;
    return {std::move(app), metadataReadable};
}

} // namespace qm
