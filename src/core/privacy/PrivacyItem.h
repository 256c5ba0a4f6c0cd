#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <QUuid>

namespace qm {

// One piece of a browser's private data that the privacy cleaner offers: a cache folder, or a
// history or cookie database of one profile. Only the privacy scanner makes these; every one
// leaves it unselected. Two items made for the same path are different items (the id differs).
struct PrivacyItem
{
    QUuid id = QUuid::createUuid();
    QString browser;     // the browser's display name, e.g. "Google Chrome"
    QString kind;        // "Cache", "History", "History & Bookmarks" or "Cookies", with a profile suffix
    QString systemImage; // symbol name of the kind, e.g. "photo.stack"
    Path url;            // the cache folder or the database file, raw bytes
    qint64 bytes = 0;    // allocated size in bytes as measured by the scan
    bool isSelected = false;

    bool operator==(const PrivacyItem&) const = default;
};

} // namespace qm
