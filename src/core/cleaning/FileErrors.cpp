#include "core/cleaning/FileErrors.h"

#include <cerrno>

namespace qm::FileErrors {
namespace {

bool isPosixDenied(const Error& error)
{
    return error.isPosix(EPERM) || error.isPosix(EACCES);
}

} // namespace

bool isPermissionDenied(const Error& error)
{
    if (error.domain() == ErrorDomain::File &&
        (error.code() == kNoPermissionToWrite || error.code() == kNoPermissionToRead))
        return true;
    if (isPosixDenied(error))
        return true;
    if (const Error* underlying = error.underlying())
        return isPosixDenied(*underlying);
    return false;
}

} // namespace qm::FileErrors
