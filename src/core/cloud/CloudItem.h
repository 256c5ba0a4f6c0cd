#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <QUuid>

namespace qm {

// One top-level entry of the cloud drive's folder as a scan measured it. Every scan gives every entry
// a new id.
struct CloudItem
{
    QUuid id;
    Path url;                 // the entry itself, a direct child of the scanned folder; raw bytes
    QString name;             // the last path component, decoded for display only
    bool isDirectory = false; // its own type, a link not followed
    // Bytes stored on this machine: st_blocks * 512, 0 for a dataless placeholder; for a folder the
    // sum over the regular files beneath it.
    qint64 localBytes = 0;
    // Logical length in bytes (for a folder: of the regular files beneath it), as the cloud keeps it.
    qint64 cloudBytes = 0;
    // The share of the scan's total local bytes, 0 to 1; 0 when that total is below 1 byte.
    double fraction = 0;
    // Made false; the cleanup page keeps its selection as a set of ids instead.
    bool isSelected = false;
};

} // namespace qm
