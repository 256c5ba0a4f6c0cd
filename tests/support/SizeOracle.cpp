#include "support/SizeOracle.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

extern char** environ;

namespace qm::test {

qint64 findAllocatedSize(const std::filesystem::path& dir)
{
    // Spawned without a shell and with the path as raw bytes, so any file name reaches find intact.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::string path = dir.native();
    char find[] = "find";
    char notArg[] = "!";
    char typeArg[] = "-type";
    char dArg[] = "d";
    char printfArg[] = "-printf";
    char format[] = "%b\\n";
    char* argv[] = {find, path.data(), notArg, typeArg, dArg, printfArg, format, nullptr};
    pid_t pid = 0;
    const int spawnError = ::posix_spawnp(&pid, "find", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawnError != 0) {
        ::close(fds[0]);
        throw std::runtime_error(std::string("cannot run find: ") + std::strerror(spawnError));
    }

    std::string output;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        output.append(buffer, static_cast<size_t>(got));
    }
    ::close(fds[0]);

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("find failed on " + path);

    qint64 blocks = 0;
    size_t start = 0;
    while (start < output.size()) {
        const size_t end = output.find('\n', start);
        const std::string line = output.substr(start, end - start);
        blocks += std::stoll(line);
        start = end == std::string::npos ? output.size() : end + 1;
    }
    return blocks * 512;
}

} // namespace qm::test
