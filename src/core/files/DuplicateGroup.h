#pragma once

#include "core/files/FileEntry.h"

#include <QString>
#include <QUuid>

#include <vector>

namespace qm {

// A set of byte-identical files as the duplicate finder gives them: the copy to keep first.
struct DuplicateGroup
{
    QUuid id = QUuid::createUuid();
    QString hash;                 // the content digest every file shares: 64 lowercase hex characters
    std::vector<FileEntry> files; // at least two, in the finder's order

    // Bytes that removing every copy but the first would free: the `bytes` of the others whose storage
    // is not shared. 0 for fewer than two files. Computed on every call.
    qint64 wastedBytes() const;
};

} // namespace qm
