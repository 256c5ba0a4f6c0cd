#include "support/ScratchMount.h"

#include <sys/mount.h>

namespace qm::test {

ScratchMount ScratchMount::tmpfs(const std::filesystem::path& at)
{
    std::filesystem::create_directories(at);
    return ScratchMount(at, ::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=4m,mode=0755") == 0);
}

ScratchMount ScratchMount::bind(const std::filesystem::path& from, const std::filesystem::path& at)
{
    std::filesystem::create_directories(at);
    return ScratchMount(at, ::mount(from.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) == 0);
}

ScratchMount::ScratchMount(ScratchMount&& other) noexcept
    : m_at(std::move(other.m_at)), m_mounted(other.m_mounted)
{
    other.m_mounted = false;
}

ScratchMount::~ScratchMount()
{
    if (m_mounted)
        ::umount2(m_at.c_str(), MNT_DETACH);
}

} // namespace qm::test
