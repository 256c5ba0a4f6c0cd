#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <QUuid>

namespace qm {

// One file or folder an application left behind in the XDG homes or ~/.var/app. Only the leftover finder
// makes these; every one starts selected for removal. Two items made for the same path are
// different items (the id differs).
struct LeftoverItem
{
    QUuid id = QUuid::createUuid();
    Path url;
    QString name;     // the entry's file name, for display
    QString location; // label of the folder it was found in, e.g. "Config"
    qint64 bytes = 0; // allocated size in bytes
    bool isSelected = true;

    bool operator==(const LeftoverItem&) const = default;
};

} // namespace qm
