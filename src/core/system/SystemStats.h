#pragma once

#include "core/system/MacHealth.h"
#include "core/system/SystemSnapshot.h"

#include <functional>
#include <optional>

namespace qm {

class Clock;
class HostStatistics;

// Takes samples of the machine's live state. Holds no state: the caller keeps its last sample and
// passes it back in, and the rates come from the difference.
namespace SystemStats {

// Where a sample's readings come from; every empty member means the machine's own.
struct Sources
{
    const HostStatistics* host = nullptr; // null: a LinuxHostStatistics at "/"
    const Clock* clock = nullptr;         // null: the system clock; gives `capturedAt`
    // Reads the volume of a folder; empty: `MacHealth::read`. Used for "/".
    std::function<MacHealth(const Path&)> volume;
};

// One sample. Blocking (it reads kernel files and makes system calls), so callers run it off the GUI
// thread; never fails. Each source that cannot be read leaves its own fields absent, or at `empty`'s
// value for the fields that cannot be absent (total memory, processors, thermal state, uptime,
// version). The processor usage needs `previous` with ticks, the network rates `previous` with
// counters and more than 0.1 s between the two samples; a counter that went down (a 32-bit interface
// counter wrapped) leaves only its own direction's rate absent.
SystemSnapshot snapshot(const std::optional<SystemSnapshot>& previous, const Sources& sources = {});

} // namespace SystemStats
} // namespace qm
