#include "core/cleaning/FileErrors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace qm {
namespace {

TEST(FileErrors, ClassifiesPermissionDenials)
{
    const Error posixDenied = Error::posix(EACCES);
    const Error fileWrite(ErrorDomain::File, 513, QStringLiteral("no permission"));
    struct Case
    {
        const char* what;
        Error error;
        bool denied;
    };
    const Case cases[] = {
        {"file 257", Error(ErrorDomain::File, 257, {}), true},
        {"file 513", fileWrite, true},
        {"posix EPERM", Error::posix(EPERM), true},
        {"posix EACCES", posixDenied, true},
        {"posix ENOENT", Error::posix(ENOENT), false},
        {"file 4", Error(ErrorDomain::File, 4, {}), false},
        {"file error over posix EACCES", Error::file(4, {}, posixDenied), true},
        {"file error over posix EPERM", Error::file(4, {}, Error::posix(EPERM)), true},
        {"file error over file 513", Error::file(4, {}, fileWrite), false},
        {"two levels down", Error::file(4, {}, Error::file(4, {}, posixDenied)), false},
        {"posix 13 in the file domain", Error(ErrorDomain::File, EACCES, {}), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileErrors::isPermissionDenied(c.error), c.denied) << c.what;
}

} // namespace
} // namespace qm
