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
#include <vector>

extern char** environ;

namespace qm::test {

namespace {

// Runs the tool without a shell, the path as raw bytes so any file name reaches it intact, and returns
// its standard output; throws when it cannot run or does not exit with status 0.
std::string outputOf(std::vector<std::string> arguments)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawnError = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawnError != 0) {
        ::close(fds[0]);
        throw std::runtime_error("cannot run " + arguments[0] + ": " + std::strerror(spawnError));
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
        throw std::runtime_error(arguments[0] + " failed on " + arguments[1]);
    return output;
}

// The numbers find prints for `dir` with `tests`, one per line (`format` then a newline), summed.
qint64 findSum(const std::filesystem::path& dir, const std::vector<std::string>& tests, const char* format)
{
    std::vector<std::string> arguments{"find", dir.native()};
    arguments.insert(arguments.end(), tests.begin(), tests.end());
    arguments.push_back("-printf");
    arguments.push_back(std::string(format) + "\\n");
    const std::string output = outputOf(std::move(arguments));
    qint64 sum = 0;
    size_t start = 0;
    while (start < output.size()) {
        const size_t end = output.find('\n', start);
        const std::string line = output.substr(start, end - start);
        sum += std::stoll(line);
        start = end == std::string::npos ? output.size() : end + 1;
    }
    return sum;
}

} // namespace

qint64 findAllocatedSize(const std::filesystem::path& dir)
{
    return findSum(dir, {"!", "-type", "d"}, "%b") * 512;
}

qint64 findRegularFilesAllocatedSize(const std::filesystem::path& dir)
{
    return findSum(dir, {"-type", "f"}, "%b") * 512;
}

qint64 findRegularFilesLength(const std::filesystem::path& dir)
{
    return findSum(dir, {"-type", "f"}, "%s");
}

qint64 duAllocatedSize(const std::filesystem::path& path)
{
    // "BYTES\tPATH": the number ends at the tab.
    return std::stoll(outputOf({"du", "-s", "-B1", path.native()}));
}

} // namespace qm::test
