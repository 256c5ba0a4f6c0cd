#pragma once

#include "platform/FileSystem.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace qm {

// One removable file or folder: the common currency of every select-and-remove screen. Two
// items for the same path made by two scans are different items (the id differs).
struct ScanItem
{
    QUuid id = QUuid::createUuid();
    Path url;
    QString name;                      // display name
    qint64 bytes = 0;                  // size in bytes as measured when scanned
    std::optional<QDateTime> modified; // content modification time, when it could be read
    bool isSelected = false;

    bool operator==(const ScanItem&) const = default;
};

} // namespace qm
