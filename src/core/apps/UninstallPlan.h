#pragma once

#include "core/model/ScanItem.h"
#include "platform/FileSystem.h"

#include <QtGlobal>

#include <vector>

namespace qm {

// What one uninstall of an application does, decided before anything moves: the road, what goes
// with the user's rights, the roots the guard admits and whether administrator rights are needed.
// A plain value; it moves nothing itself.
struct UninstallPlan
{
    // The road the normal confirmation takes.
    enum class Road {
        trash,            // the application's items, then the chosen leftovers, go to the Trash (undoable)
        leftoversOnly,    // the application stays installed: only the chosen leftovers go (undoable)
        refusedLink,      // nothing moves: the application is a link, or nothing of it is known to move
        refusedOwnership, // nothing moves: the application is another user's (the administrator road's)
    };

    Road road = Road::leftoversOnly;
    // What the trash road moves, the application itself first; empty on every other road.
    std::vector<Path> items;
    // The chosen leftovers as items to move, in their listed order.
    std::vector<ScanItem> leftovers;
    // The guard's roots for moving (and later restoring) this uninstall's items.
    std::vector<Path> guardRoots;
    // The chosen leftovers that lie directly in the home, which the guard admits one by one.
    std::vector<Path> homeItems;
    // The application's size as the inventory knows it (its own when the inventory does not list it).
    qint64 appBytes = 0;
    // Uninstalling takes the administrator road: an administrator folder, or a program in the home
    // owned by someone else.
    bool needsAdmin = false;
    // What the administrator road moves: the administrator folder, else the entry itself.
    Path adminTarget;
};

} // namespace qm
