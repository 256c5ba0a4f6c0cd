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

// Runs `find PATH <tests...> -printf FORMAT` (FORMAT printing one number per line) and sums the lines.
qint64 findSum(const std::filesystem::path& dir, std::vector<std::string> tests, const char* printed)
{
    // Spawned without a shell and with the path as raw bytes, so any file name reaches find intact.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::string path = dir.native();
    std::vector<std::string> words{"find", path};
    words.insert(words.end(), tests.begin(), tests.end());
    words.push_back("-printf");
    words.push_back(std::string(printed) + "\\n");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawnError = ::posix_spawnp(&pid, "find", &actions, nullptr, argv.data(), environ);
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

} // namespace qm::test
