#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <vector>

namespace qm::test {

// Whether this process can drop to another user and come back: it runs as root (real and effective
// uid 0) and the kernel lets it change ids. Checked once by trying, then remembered.
bool canDropPrivileges();

// While alive, the whole test process (every thread: glibc applies id changes to all of them) runs as
// `uid`/`gid` with no supplementary groups and no effective capabilities, so the real engines meet the
// permission denials an ordinary user meets. The saved set-user-id stays 0, which is what lets the
// destructor return to root and restore the groups; a failure to return aborts the process rather
// than let later code run with the wrong identity. Construct it only where canDropPrivileges() holds
// (it throws std::system_error otherwise).
//
// A permission test must also show, while dropped, that the dropped process reads what it should (a
// positive control), or a fixture that nobody can traverse passes the test for the wrong reason: its
// fixture lies where every user can traverse (a TempTree), and only the protected part belongs to
// root or is closed to others.
class DroppedPrivileges
{
public:
    explicit DroppedPrivileges(uid_t uid = 65534, gid_t gid = 65534);
    ~DroppedPrivileges();
    DroppedPrivileges(const DroppedPrivileges&) = delete;
    DroppedPrivileges& operator=(const DroppedPrivileges&) = delete;

private:
    gid_t m_savedGid;
    std::vector<gid_t> m_savedGroups;
};

} // namespace qm::test

// Skips the current test, with the reason, unless the process can drop privileges.
#define QM_SKIP_UNLESS_PRIVILEGE_DROP()                                                                      \
    do {                                                                                                     \
        if (!::qm::test::canDropPrivileges())                                                                \
            GTEST_SKIP() << "needs to run as root to drop privileges for a permission case";                 \
    } while (false)
