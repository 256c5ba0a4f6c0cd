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
    // The birth marks of `inTrash` right after the move, which tell it from a later file given the same
    // inode once the Trash was emptied; empty (nothing compared) where the file system gives neither.
    FileBirth birth;

    bool operator==(const TrashedItem&) const = default;
};

} // namespace qm
