#pragma once

#include "core/apps/InstalledApp.h"
#include "core/cleaning/CleanupScanner.h"
#include "platform/CodeSigner.h"
#include "platform/FileSystem.h"
#include "platform/Places.h"

#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

// The inventory of application bundles ("<name>.app" folders with a Contents/Info.plist): walks the
// folders it is given, reads each bundle's identity, and answers the bundles sorted by name together
// with whether that answer is complete. This platform installs no such bundles: the Applications page
// lists desktop entries (DesktopAppScanner); this class serves the bundle rules that do not depend on a
// place (a bundle's identifier, a linked bundle). A plain value; it keeps nothing between calls.
class AppScanner
{
public:
    // What `listApps` found.
    struct Listing
    {
        std::vector<InstalledApp> apps;
        bool complete = true; // false when an application may have been missed
    };

    // The requirement a bundle must satisfy to keep a "com.apple." identifier.
    static const QString kAppleApplicationRequirement;
    // The most bytes read of one Info.plist.
    static constexpr qint64 kMaxInfoPlistBytes = 4 * 1024 * 1024;

    // `sizer` is carried for whoever measures the listed bundles (the scanner never calls it); its
    // home folder is where the user's own "Applications" folder is looked for. `directories`, when
    // given (even empty), replaces the default roots. `signer` answers the Apple-signature question
    // (null: the system's). `systemRoot` is where "/opt" lies.
    explicit AppScanner(FileSystem fileManager = {}, CleanupScanner sizer = CleanupScanner(),
                        std::optional<std::vector<Path>> directories = std::nullopt,
                        std::shared_ptr<const CodeSigner> signer = nullptr, Path systemRoot = Path("/"));

    // The folders that hold applications installed outside the package manager here: the add-on
    // software folder (Places::optionalSoftware, <system root>/opt), then the user's own
    // (Places::userApplications, ~/Applications) only when something exists at that path. Never
    // empty; reads nothing but that one existence test.
    static std::vector<Path> appDirectories(const Places& places, const FileSystem& fileManager = {});

    // Lists the bundles ("<name>.app", case-sensitive) found directly in each root, in a folder inside
    // a root, or in a folder inside that (never inside a bundle, never through a linked folder), each
    // bundle once by its link-resolved path, with `sizeBytes` 0, sorted by name (locale-aware,
    // ignoring case; equal names keep discovery order). `complete` turns false when a folder that
    // exists cannot be listed, a bundle lies deeper than the walk reaches, a bundle with no usable
    // identifier has an unreadable Info.plist, or `stop` is triggered (what was found is still
    // returned, sorted). Synchronous; never fails.
    Listing listApps(std::stop_token stop = {}) const;

    // True when the listed bundle path is itself a symbolic link (links in the folders above it do not
    // count). No uninstall moves such a bundle: moving the link would leave the application installed
    // where the link points, and its data would go while it stays.
    static bool isLinkedBundle(const Path& bundle, const FileSystem& fileManager = {});
    // Why an uninstall refuses a linked bundle: the line shown under "couldn't be moved to the Trash".
    static QString linkedBundleRefusal();

    // The identifier `bundle`'s Contents/Info.plist gives, read as `listApps` reads it (bounded, never
    // blocking on something that is not a regular file; an unproven Apple claim dropped); empty when
    // there is none or the file cannot be read.
    QString bundleIdentifier(const Path& bundle) const;

    const FileSystem& fileManager() const { return m_fileManager; }
    const CleanupScanner& sizer() const { return m_sizer; }
    const std::optional<std::vector<Path>>& directories() const { return m_directories; }
    const Path& systemRoot() const { return m_systemRoot; }

private:
    struct Walk;
    void collectApps(const Path& folder, int depth, Walk& walk) const;
    void peek(const Path& folder, Walk& walk) const;
    std::pair<InstalledApp, bool> metadata(const Path& bundle) const;

    FileSystem m_fileManager;
    CleanupScanner m_sizer;
    std::optional<std::vector<Path>> m_directories;
    std::shared_ptr<const CodeSigner> m_signer;
    Path m_systemRoot;
};

} // namespace qm
