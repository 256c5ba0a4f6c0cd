#pragma once

#include "platform/Error.h"

namespace qm::FileErrors {

// Codes of the file domain that mean "no permission".
inline constexpr int kNoPermissionToRead = 257;
inline constexpr int kNoPermissionToWrite = 513;

// True when the error is a permission denial: file-domain 257 or 513, POSIX EPERM or EACCES, or
// a POSIX EPERM/EACCES directly underneath (only one level down, and only the POSIX test there).
bool isPermissionDenied(const Error& error);

} // namespace qm::FileErrors
