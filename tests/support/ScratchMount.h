#pragma once

#include <filesystem>

namespace qm::test {

// A mount made for one test and detached again when it goes away: a small tmpfs (a file system of
// its own, with its own device number) or a bind mount (another mount of the same file system, with
// the same device number). Needs root; where mounting is refused `mounted()` is false and the test
// skips (QM_SKIP_UNLESS_SCRATCH_MOUNTED). Declare it after the temp tree it lies in, so that it is
// detached before the tree is removed.
class ScratchMount
{
public:
    // A 4 MiB tmpfs at the existing or new folder `at`.
    static ScratchMount tmpfs(const std::filesystem::path& at);
    // The existing folder `from` mounted again at the existing or new folder `at`.
    static ScratchMount bind(const std::filesystem::path& from, const std::filesystem::path& at);

    ScratchMount(ScratchMount&& other) noexcept;
    ScratchMount& operator=(ScratchMount&&) = delete;
    ~ScratchMount();

    bool mounted() const { return m_mounted; }
    const std::filesystem::path& at() const { return m_at; }

private:
    ScratchMount(std::filesystem::path at, bool mounted) : m_at(std::move(at)), m_mounted(mounted) {}

    std::filesystem::path m_at;
    bool m_mounted = false;
};

#define QM_SKIP_UNLESS_SCRATCH_MOUNTED(mount)                                                                \
    do {                                                                                                     \
        if (!(mount).mounted())                                                                              \
            GTEST_SKIP() << "needs to mount a file system (root only)";                                      \
    } while (false)

} // namespace qm::test
