#pragma once

#include "platform/HostStatistics.h"

namespace qm::test {

// A host-statistics seam that answers with the values a test put in its fields, so the arithmetic of a
// sample can be driven exactly. Every field starts absent. Not safe to change while another thread
// reads it.
class FakeHostStatistics final : public HostStatistics
{
public:
    std::optional<HostCpuTicks> ticks;
    std::optional<qint64> used;
    std::optional<qint64> physical;
    std::optional<int> processors;
    std::optional<double> load;
    std::optional<HostNetBytes> net;
    std::optional<ThermalState> thermal;
    std::optional<double> up;
    std::optional<QString> version;

    std::optional<HostCpuTicks> cpuTicks() const override { return ticks; }
    std::optional<qint64> usedMemory() const override { return used; }
    std::optional<qint64> physicalMemory() const override { return physical; }
    std::optional<int> onlineProcessors() const override { return processors; }
    std::optional<double> loadAverage() const override { return load; }
    std::optional<HostNetBytes> networkBytes() const override { return net; }
    std::optional<ThermalState> thermalState() const override { return thermal; }
    std::optional<double> uptime() const override { return up; }
    std::optional<QString> osVersion() const override { return version; }
};

} // namespace qm::test
