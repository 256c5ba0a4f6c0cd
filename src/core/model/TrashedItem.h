#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <QUuid>

#include <optional>

namespace qm {

// One item that was moved to the Trash, with what an undo needs to move exactly it back.
struct TrashedItem
{
    QUuid id = QUuid::createUuid();
    Path original; // where the item was
    Path inTrash;  // where it lies in the Trash now
    qint64 bytes = 0;
    std::optional<QString> fileID; // "<device>:<inode>" of `inTrash` right after the move

    bool operator==(const TrashedItem&) const = default;
};

} // namespace qm
