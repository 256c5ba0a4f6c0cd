#pragma once

#include "core/apps/ProgramIdentity.h"
#include "platform/FileSystem.h"
#include "platform/RunningApplication.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>
#include <unistd.h>

#include <optional>
#include <vector>

// The user's running programs, read from the kernel's process table: every process of the user with
// the executable it runs and the Flatpak sandbox it runs in, and the instances of one program among
// them. Plain functions; nothing is kept between calls.
namespace qm::RunningApps {

// The most processes one listing looks at.
inline constexpr std::size_t kMaxProcesses = 100'000;
// The largest Flatpak instance file (".flatpak-info" at the root of a sandbox) that is read, in bytes.
inline constexpr qint64 kMaxFlatpakInfoBytes = 64 * 1024;

// The application id a Flatpak instance file names: the "name" key of its "[Application]" group, when
// that is a well-formed id (at most 255 of the characters A-Z, a-z, 0-9, "_", "-" and ".", in at least
// two non-empty dot-separated parts); empty otherwise, and for a sandbox that runs a bare runtime.
QString flatpakIdFromInfo(const QByteArray& info);

// The process `pid` under `procRoot` when it belongs to `owner` (the owner of its process-table entry,
// which is the process's effective user) and its executable link can be read: its executable and its
// Flatpak id (from "<pid>/root/.flatpak-info", read through the bounded reader). Nothing when it is
// gone, another user's or a kernel thread.
std::optional<RunningApplication> process(qint64 pid, const Path& procRoot = Path("/proc"),
                                          uid_t owner = ::geteuid());

// Every process of `owner` under `procRoot` as `process` describes it, in process-id order. Another
// user's processes are left out even where they could be read (as root). Bounded by kMaxProcesses;
// never blocks on a file.
std::vector<RunningApplication> list(const Path& procRoot = Path("/proc"), uid_t owner = ::geteuid());

// The processes among `running` that `program` recognises, in order.
std::vector<RunningApplication> instancesOf(const std::vector<RunningApplication>& running,
                                            const ProgramIdentity& program);

} // namespace qm::RunningApps
