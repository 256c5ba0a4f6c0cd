#include "support/ThreadReadBytes.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace qm::test {

qint64 threadReadBytes(pid_t tid)
{
    std::ifstream io("/proc/self/task/" + std::to_string(tid) + "/io");
    std::string field;
    qint64 value = 0;
    while (io >> field >> value) {
        if (field == "rchar:")
            return value;
    }
    return -1;
}

pid_t currentThreadId()
{
    return pid_t(::syscall(SYS_gettid));
}

} // namespace qm::test
