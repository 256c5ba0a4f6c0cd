#pragma once

#include "platform/FileSystem.h"
#include "platform/RunningApplication.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

// The applications running from bundles, read from the kernel's process table: every process whose
// executable lies inside a "<name>.app" bundle, and the instances of one installed application among
// them. Plain functions; nothing is kept between calls.
namespace qm::RunningApps {

// Reads a bundle's identifier from its Info.plist; called at most once per bundle and listing.
using IdentifierReader = std::function<QString(const Path& bundle)>;

// The most processes one listing looks at.
inline constexpr std::size_t kMaxProcesses = 100'000;

// The bundle an executable lies in: the path up to and including its first component that ends in
// ".app" (case-sensitive, longer than the suffix) with at least one component below it; nothing when
// there is none. The path is taken as the kernel gives it (" (deleted)" is not understood).
std::optional<Path> bundleOf(const Path& executable);

// The processes under `procRoot` (numeric entries, each "exe" link read without following it) whose
// executable lies inside a bundle, in process-id order, with the identifier `identifier` reads (once
// per distinct bundle; empty without a reader). Entries whose link cannot be read (gone, or another
// user's) are left out. Bounded by kMaxProcesses; never blocks on a file.
std::vector<RunningApplication> list(const Path& procRoot = Path("/proc"),
                                     const IdentifierReader& identifier = {});

// The instances of the application with bundle `bundle` and identifier `bundleID` among `running`, in
// order: those with that identifier when it is not empty, and those whose bundle, standardized, is the
// standardized `bundle` (compared byte for byte).
std::vector<RunningApplication> instancesOf(const std::vector<RunningApplication>& running,
                                            const Path& bundle, const QString& bundleID);

// The bundle `pid` runs from now (read from `procRoot`), or nothing when it runs from none or is gone.
std::optional<Path> bundleOfProcess(qint64 pid, const Path& procRoot = Path("/proc"));

} // namespace qm::RunningApps
