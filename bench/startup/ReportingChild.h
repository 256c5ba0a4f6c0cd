#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qm::bench {

// A server the start-up benchmark starts before it times anything, which tells how to reach it by
// writing one line on its descriptor 3 (Xvfb's -displayfd, dbus-daemon's --print-address=3).
struct ReportingChild
{
    pid_t pid = -1;
    // The first line the child wrote on descriptor 3, without its newline; empty when it wrote none
    // (it failed to start) or when the line did not fit in 511 bytes.
    std::string line;
};

// Starts `program` (an absolute path) with `arguments` (argv[0] included), its standard output and
// error going to /dev/null, with `environment` ("NAME=value" entries) or, when null, ours; in a process
// group of its own when `ownGroup`. Waits for the first line on its descriptor 3 (or its closing).
// Fails the benchmark when it cannot fork; the caller ends and reaps the child.
ReportingChild startReportingChild(const std::string& program, const std::vector<std::string>& arguments,
                                   const std::vector<std::string>* environment, bool ownGroup);

} // namespace qm::bench
