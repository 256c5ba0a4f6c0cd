#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qm::bench {

// A session bus of its own for one program's run (dbus-daemon --session), started before the program
// so that its start is not counted, and ended with whatever it started for the program (its process
// group) on destruction. Every program of the benchmark gets one, the same way. Fails the benchmark
// when the bus does not start.
class PrivateBus
{
public:
    // Starts the bus with `environment` (its entries "NAME=value").
    explicit PrivateBus(const std::vector<std::string>& environment);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // The bus's address, for DBUS_SESSION_BUS_ADDRESS.
    const std::string& address() const { return m_address; }

private:
    pid_t m_pid = -1;
    std::string m_address;
};

} // namespace qm::bench
