#include "support/PrivilegeDrop.h"

#include <grp.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace qm::test {
namespace {

bool tryDropAndReturn()
{
    if (::getuid() != 0 || ::geteuid() != 0)
        return false;
    try {
        DroppedPrivileges dropped;
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

} // namespace

bool canDropPrivileges()
{
    static const bool can = tryDropAndReturn();
    return can;
}

DroppedPrivileges::DroppedPrivileges(uid_t uid, gid_t gid) : m_savedGid(::getegid())
{
    if (::geteuid() != 0)
        throw std::system_error(EPERM, std::generic_category(), "dropping privileges needs root");

    const int count = ::getgroups(0, nullptr);
    if (count < 0)
        throw std::system_error(errno, std::generic_category(), "getgroups");
    m_savedGroups.resize(static_cast<size_t>(count));
    if (count > 0 && ::getgroups(count, m_savedGroups.data()) < 0)
        throw std::system_error(errno, std::generic_category(), "getgroups");

    // Groups first: once the uid is no longer 0 the process may not change them.
    if (::setgroups(0, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "setgroups");
    if (::setresgid(gid, gid, m_savedGid) != 0) {
        const int error = errno;
        (void)::setgroups(m_savedGroups.size(), m_savedGroups.data());
        throw std::system_error(error, std::generic_category(), "setresgid");
    }
    if (::setresuid(uid, uid, 0) != 0) {
        const int error = errno;
        (void)::setresgid(m_savedGid, m_savedGid, m_savedGid);
        (void)::setgroups(m_savedGroups.size(), m_savedGroups.data());
        throw std::system_error(error, std::generic_category(), "setresuid");
    }
}

DroppedPrivileges::~DroppedPrivileges()
{
    if (::setresuid(0, 0, 0) != 0 || ::setresgid(m_savedGid, m_savedGid, m_savedGid) != 0 ||
        ::setgroups(m_savedGroups.size(), m_savedGroups.data()) != 0) {
        std::fprintf(stderr, "DroppedPrivileges: cannot return to root: %s\n", std::strerror(errno));
        std::abort();
    }
}

} // namespace qm::test
