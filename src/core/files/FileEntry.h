#pragma once

#include "platform/FileSystem.h"

#include <QDateTime>
#include <QUuid>

#include <cstddef>
#include <functional>
#include <optional>

namespace qm {

// One file found by the large-file search or the duplicate finder, with the user's selection. Equal
// only when all seven fields are equal (so two scans of one file never are, and toggling the selection
// changes both equality and hash).
struct FileEntry
{
    QUuid id = QUuid::createUuid();
    Path url;                          // the file; raw bytes
    Path name;                         // the last component of `url`, raw bytes
    qint64 bytes = 0;                  // allocated bytes: 512-byte blocks times 512
    std::optional<QDateTime> modified; // content modification time; both scanners always fill it
    bool sharesInode = false;          // its storage is shared, so moving it to the Trash frees nothing
    bool isSelected = false;           // ticked for removal; scanners create entries unticked

    // Compares id, url, name, bytes, modified (two absent dates are equal), sharesInode, isSelected.
    bool operator==(const FileEntry& other) const;
};

// Feeds the seven fields in the order of the equality, the date as a presence marker followed by the
// date when present.
std::size_t qHash(const FileEntry& entry, std::size_t seed = 0) noexcept;

} // namespace qm

template <> struct std::hash<qm::FileEntry>
{
    std::size_t operator()(const qm::FileEntry& entry) const noexcept { return qm::qHash(entry); }
};
