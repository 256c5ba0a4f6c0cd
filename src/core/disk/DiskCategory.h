#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <optional>

namespace qm {

// One slice of the disk overview: a measured folder, or the remainder "System & Other". Its name is
// also its identity. Equal when every field is.
struct DiskCategory
{
    QString name;
    qint64 bytes = 0;     // allocated bytes measured for the folder (or the remainder)
    quint32 colorHex = 0; // the category colour as 0xRRGGBB
    // The folder as listed in the category table, before symbolic links are resolved; nothing for
    // the remainder.
    std::optional<Path> url;
    QString symbol; // the design's symbol name of the category icon

    bool operator==(const DiskCategory&) const = default;
};

} // namespace qm
