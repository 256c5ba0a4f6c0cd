#pragma once

#include "platform/FileSystem.h"

#include <QString>

namespace qm {

// One item that could not be moved to the Trash.
struct CleanFailure
{
    Path url;
    QString name;
    QString reason; // "Skipped for safety", or the sentence the file system gave
    bool isPermissionDenied = false;

    bool operator==(const CleanFailure&) const = default;
};

} // namespace qm
