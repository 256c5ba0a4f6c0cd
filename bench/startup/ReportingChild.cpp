#include "ReportingChild.h"

#include "../support/BenchSupport.h"

namespace qm::bench {
namespace {

std::vector<char*> pointers(const std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (const std::string& s : strings)
        result.push_back(const_cast<char*>(s.c_str()));
    result.push_back(nullptr);
    return result;
}

} // namespace

ReportingChild startReportingChild(const std::string& program, const std::vector<std::string>& arguments,
                                   const std::vector<std::string>* environment, bool ownGroup)
{
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = environment != nullptr ? pointers(*environment) : std::vector<char*>{};
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        fail("pipe");
    ReportingChild child;
    child.pid = ::fork();
    if (child.pid < 0)
        fail("fork");
    if (child.pid == 0) {
        if (ownGroup)
            ::setpgid(0, 0);
        ::dup2(pipeFds[1], 3);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (environment != nullptr)
            ::execve(program.c_str(), argv.data(), envp.data());
        else
            ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (ownGroup)
        ::setpgid(child.pid, child.pid);
    ::close(pipeFds[1]);
    char buffer[512];
    std::size_t used = 0;
    while (used < sizeof buffer - 1) {
        const ssize_t n = ::read(pipeFds[0], buffer + used, sizeof buffer - 1 - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        used += std::size_t(n);
        if (std::memchr(buffer, '\n', used) != nullptr)
            break;
    }
    ::close(pipeFds[0]);
    if (const char* end = static_cast<const char*>(std::memchr(buffer, '\n', used)); end != nullptr)
        child.line.assign(buffer, std::size_t(end - buffer));
    return child;
}

} // namespace qm::bench
