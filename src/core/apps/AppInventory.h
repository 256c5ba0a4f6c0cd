#pragma once

#include "core/apps/AppScanner.h"
#include "core/apps/DesktopAppScanner.h"
#include "core/apps/InstalledApp.h"
#include "core/cleaning/CoverageFlag.h"

#include <QtGlobal>

#include <functional>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

// The inventory of installed applications: how it is listed and measured, and how a new listing, a
// batch of sizes, an uninstall or a prune turn one inventory into the next. Synchronous and a plain
// value: the listing and measuring block on the file system and belong on a worker thread; the rules
// only take an inventory and return the next one. Which result is stale (the generations) is the
// caller's business, not this class's.
class AppInventory
{
public:
    // Measures one folder with CleanupScanner::size's arguments and returns its allocated bytes (a
    // partial total when it stops early); called on the measuring thread.
    using Sizer = std::function<qint64(const Path& of, const std::vector<Path>& excluding, qint64 nodeLimit,
                                       bool flagCapAsIncomplete, double deadline, CoverageFlag* coverage,
                                       std::stop_token stop)>;
    // Allocated bytes by application (`InstalledApp::id`, the bundle path's bytes).
    using Sizes = std::unordered_map<std::string, qint64>;

    // Every application's size root is measured with at most this many entries and this many seconds.
    static constexpr qint64 kSizeNodeLimit = 200'000;
    static constexpr double kSizeDeadlineSeconds = 90.0;

    // Lists with `desktop` and measures size roots with `sizer` (which must not be empty).
    AppInventory(DesktopAppScanner desktop, Sizer sizer);

    // Lists the installed applications, each with size 0. Blocks on the file system; never fails.
    AppScanner::Listing list() const;
    // The allocated bytes uninstalling `app` frees: a package by its installed files, any other by
    // the sum of its size roots (0 without any). Blocks on the file system; stops early on `stop`.
    qint64 measure(const InstalledApp& app, std::stop_token stop) const;

    // The sizes `apps` holds (0: not measured), by application; when a bundle is listed twice its
    // first entry counts.
    static Sizes knownSizes(const std::vector<InstalledApp>& apps);
    // `listed` with every unmeasured application (size 0) given its positive size from `known`, so a
    // refresh keeps the sizes it had until they are measured anew. A size the listing carries stays.
    static std::vector<InstalledApp> keepingSizes(std::vector<InstalledApp> listed, const Sizes& known);
    // `apps` with the sizes `measured` names; the others keep theirs.
    static std::vector<InstalledApp> withSizes(std::vector<InstalledApp> apps, const Sizes& measured);
    // `apps` without every entry of the application `id`.
    static std::vector<InstalledApp> without(std::vector<InstalledApp> apps, const std::string& id);
    // The applications of `apps` whose bundle `exists` says is gone. Calls `exists` once per entry.
    static std::set<std::string> missing(const std::vector<InstalledApp>& apps,
                                         const std::function<bool(const Path&)>& exists);
    // `apps` without the entries `gone` names whose bundle `exists` still says is gone (one put back
    // since the first look stays); nullopt when nothing goes.
    static std::optional<std::vector<InstalledApp>> pruned(std::vector<InstalledApp> apps,
                                                           const std::set<std::string>& gone,
                                                           const std::function<bool(const Path&)>& exists);
    // The first entry of the application `id` in `apps`; null when it is not listed.
    static const InstalledApp* find(const std::vector<InstalledApp>& apps, const std::string& id);

private:
    DesktopAppScanner m_desktop;
    Sizer m_sizer;
};

} // namespace qm
