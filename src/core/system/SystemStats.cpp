#include "core/system/SystemStats.h"

#include "platform/Clock.h"
#include "platform/HostStatistics.h"
#include "platform/SystemClock.h"

#include <algorithm>
#include <cmath>

namespace qm::SystemStats {
namespace {

// The busy fraction between two tick readings, or nothing when the ticks did not advance or the busy
// ticks went backwards.
std::optional<double> usage(const CPUTicks& now, const CPUTicks& before)
{
    const double usedDelta = now.used - before.used;
    if (std::isnan(usedDelta) || usedDelta < 0)
        return std::nullopt;
    const double totalDelta = usedDelta + (now.idle - before.idle);
    if (!(totalDelta > 0))
        return std::nullopt;
    return std::clamp(usedDelta / totalDelta, 0.0, 1.0);
}

// Bytes per second from `before` to `now` over `interval` seconds; nothing when the counter went down.
std::optional<double> rate(quint64 now, quint64 before, double interval)
{
    if (now < before)
        return std::nullopt;
    return double(now - before) / interval;
}

} // namespace

SystemSnapshot snapshot(const std::optional<SystemSnapshot>& previous, const Sources& sources)
{
    static const LinuxHostStatistics machine;
    static const SystemClock systemClock;
    const HostStatistics& host = sources.host ? *sources.host : machine;
    const Clock& clock = sources.clock ? *sources.clock : systemClock;

    SystemSnapshot s;
    const std::optional<double> load = host.loadAverage();

    if (const std::optional<HostCpuTicks> ticks = host.cpuTicks())
        s.cpuTicks = CPUTicks{double(ticks->used), double(ticks->idle)};

    const MacHealth volume = sources.volume ? sources.volume("/") : MacHealth::read("/");
    if (volume.totalBytes >= 1) {
        s.diskTotal = volume.totalBytes;
        s.diskFree = volume.availableBytes;
        s.diskUsed = volume.usedBytes;
    }

    if (const std::optional<HostNetBytes> net = host.networkBytes()) {
        s.netInBytes = net->received;
        s.netOutBytes = net->sent;
    }

    s.capturedAt = clock.now();

    if (previous && previous->cpuTicks && s.cpuTicks)
        s.cpuUsage = usage(*s.cpuTicks, *previous->cpuTicks);

    if (previous && previous->netInBytes && previous->netOutBytes && s.netInBytes) {
        const double interval = double(previous->capturedAt.msecsTo(s.capturedAt)) / 1000.0;
        if (interval > 0.1) {
            s.netInRate = rate(*s.netInBytes, *previous->netInBytes, interval);
            s.netOutRate = rate(*s.netOutBytes, *previous->netOutBytes, interval);
        }
    }

    s.totalRAM = host.physicalMemory().value_or(0);
    s.usedRAM = host.usedMemory();
    s.cores = host.onlineProcessors().value_or(0);
    s.load1 = load;
    s.thermal = host.thermalState().value_or(ThermalState::nominal);
    s.uptime = host.uptime().value_or(0.0);
    s.osVersion = host.osVersion().value_or(QString());
    return s;
}

} // namespace qm::SystemStats
