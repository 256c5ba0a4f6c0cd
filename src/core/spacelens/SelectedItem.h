#pragma once

#include "core/files/SizedEntry.h"
#include "platform/FileSystem.h"

#include <QtGlobal>

namespace qm {

// One item the user picked for removal in the space lens, kept by its path as listed (the key of the
// selection) beside the path it stands for once links are resolved, which decides nesting and what a
// removal took. A plain value; two records of the same entry are equal.
struct SelectedItem
{
    Path url;          // the entry's path as listed, raw bytes
    Path name;         // the entry's name, raw bytes (decode only for display)
    qint64 bytes = 0;  // the entry's measured size, in bytes
    Path resolvedPath; // `url` standardised, then with symbolic links resolved; fixed when made

    // A record of `entry`, its resolved path computed now (reads the file system to resolve links).
    static SelectedItem from(const SizedEntry& entry);

    bool operator==(const SelectedItem&) const = default;
};

} // namespace qm
