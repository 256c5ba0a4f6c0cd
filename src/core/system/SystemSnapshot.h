#pragma once

#include "core/system/CPUTicks.h"
#include "platform/HostStatistics.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace qm {

// One sample of the machine's live state with the display texts of its rates and uptime. A value that
// could not be measured is absent, never 0; the rates are absent unless the sample was taken after a
// previous one that carried the counters they need. Made by `SystemStats::snapshot`.
struct SystemSnapshot
{
    qint64 totalRAM = 0;                // bytes of physical memory
    std::optional<qint64> usedRAM;      // bytes of memory in use
    int cores = 0;                      // processors online
    std::optional<double> load1;        // one-minute load average
    std::optional<CPUTicks> cpuTicks;   // cumulative processor ticks at this sample
    std::optional<double> cpuUsage;     // busy fraction 0…1 since the previous sample
    std::optional<qint64> diskFree;     // bytes of "/" available to an unprivileged user
    std::optional<qint64> diskTotal;    // bytes of "/"; present exactly when diskFree is
    std::optional<qint64> diskUsed;     // bytes of "/" in use as df counts them (total less free
                                        // blocks); present exactly when diskTotal is
    std::optional<quint64> netInBytes;  // received bytes, all link-level interfaces but loopback
    std::optional<quint64> netOutBytes; // sent bytes; present exactly when netInBytes is
    std::optional<double> netInRate;    // received bytes per second since the previous sample
    std::optional<double> netOutRate;   // sent bytes per second since the previous sample
    ThermalState thermal = ThermalState::nominal;
    double uptime = 0;                    // seconds since the system started
    QString osVersion;                    // the operating system's name and version
    QDateTime capturedAt = distantPast(); // when the sample was taken

    bool operator==(const SystemSnapshot&) const = default;

    // The starting value of every holder before its first sample: everything 0, absent, nominal or
    // empty, taken at the distant past.
    static SystemSnapshot empty();
    // 0001-01-01 00:00 UTC.
    static QDateTime distantPast();

    // The uptime in whole seconds as "42m" below an hour, "5h 7m" below a day, otherwise "3d 4h".
    QString formattedUptime() const;
    // "—" without a processor usage, otherwise the percentage rounded half away from zero ("38%").
    QString formattedCPU() const;
    // "—" without a received rate, otherwise the rate's whole bytes in the file byte-count style with
    // "/s" ("0 KB/s" below 1 byte, "1.2 MB/s").
    QString formattedNetIn() const;
    // The same for the sent rate.
    QString formattedNetOut() const;
};

} // namespace qm
