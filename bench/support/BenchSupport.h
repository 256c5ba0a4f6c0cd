#pragma once

// What every side-by-side benchmark needs: failing loudly, timing, medians and writing generated
// files. Benchmarks only; nothing here is used by the program or the tests.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace qm::bench {

using Clock = std::chrono::steady_clock;

// Prints what failed with the C library's reason (errno) under the program's name and exits 1.
[[noreturn]] inline void fail(const std::string& what)
{
    std::fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, what.c_str(), std::strerror(errno));
    std::exit(1);
}

// A duration in seconds.
inline double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// The middle value of the rounds (the upper one of the two middles for an even count); `values` must
// not be empty.
inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Creates or truncates the file at `path` and writes all of `bytes` to it, or fails.
inline void writeFile(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("create " + path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            fail("write " + path);
        done += std::size_t(n);
    }
    ::close(fd);
}

} // namespace qm::bench
