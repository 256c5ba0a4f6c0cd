#pragma once

#include "platform/FileSystem.h"

#include <QUuid>

namespace qm {

// One child of a folder with the allocated size of everything under it, as the folder sizer measures
// it and the space lens draws it. A plain value without equality of its own: two sizings of the same
// child are different entries (their ids differ).
struct SizedEntry
{
    QUuid id = QUuid::createUuid();
    Path url;  // the child itself, not resolved through a symbolic link; raw bytes
    Path name; // the last component of `url`, raw bytes (decode only for display)
    // Allocated bytes (512-byte blocks times 512): for a folder the total of its subtree, otherwise the
    // child's own allocation. At least 1 unless `unreadable`.
    qint64 bytes = 0;
    bool isDirectory = false; // a real folder, never a symbolic link to one
    bool unreadable = false;  // the folder, or everything under it, could not be read; false for files
    double fraction = 0;      // share in the total of the folder shown, 0...1; the sizer leaves it 0
};

} // namespace qm
