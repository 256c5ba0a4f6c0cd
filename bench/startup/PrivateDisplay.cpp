#include "PrivateDisplay.h"

#include "../support/BenchSupport.h"
#include "ReportingChild.h"

namespace qm::bench {

PrivateDisplay::PrivateDisplay()
{
    const ReportingChild server = startReportingChild(
        "/usr/bin/Xvfb",
        {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-br", "-nolisten", "tcp"}, nullptr,
        /*ownGroup=*/false);
    m_pid = server.pid;
    if (server.line.empty())
        fail("Xvfb did not start");
    m_display = ":" + std::to_string(std::atoi(server.line.c_str()));
}

PrivateDisplay::~PrivateDisplay()
{
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
}

} // namespace qm::bench
