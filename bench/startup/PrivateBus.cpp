#include "PrivateBus.h"

#include "../support/BenchSupport.h"
#include "ReportingChild.h"

#include <thread>

namespace qm::bench {

PrivateBus::PrivateBus(const std::vector<std::string>& environment)
{
    const ReportingChild bus = startReportingChild(
        "/usr/bin/dbus-daemon", {"dbus-daemon", "--session", "--nofork", "--print-address=3"}, &environment,
        /*ownGroup=*/true);
    m_pid = bus.pid;
    m_address = bus.line;
    if (m_address.empty())
        fail("dbus-daemon did not start");
}

PrivateBus::~PrivateBus()
{
    // The services the bus started for the program are in its process group.
    ::kill(-m_pid, SIGTERM);
    int status = 0;
    for (int waited = 0; ::waitpid(m_pid, &status, WNOHANG) == 0; ++waited) {
        if (waited == 100)
            ::kill(-m_pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace qm::bench
