#pragma once

#include "core/apps/InstalledApp.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

namespace qm {

// The search and sort of the Applications list over one inventory: which listed applications a
// query keeps and in which order. Holds the folded names and identifiers of the inventory it was
// last keyed with, and which of them is this program; reads nothing and publishes nothing.
class ApplicationSearch
{
public:
    // Derives the keys of `apps` (in order); `isOwn` tells this program's own entries.
    void rekey(const std::vector<InstalledApp>& apps, const std::function<bool(const InstalledApp&)>& isOwn);

    // The positions in `apps` (keyed last with `rekey`) of the applications other than this program
    // whose name or identifier contains `query` regardless of case and diacritics (the query as typed,
    // never trimmed; an empty query keeps all), largest first with ties in listing order when
    // `sortBySize`.
    std::vector<std::size_t> filtered(const std::vector<InstalledApp>& apps, const QString& query,
                                      bool sortBySize) const;

    // Whether the application at `index` is this program.
    bool isSelf(std::size_t index) const { return m_keys[index].isSelf; }
    // How many keyed applications are not this program.
    int uninstallableCount() const;

private:
    struct Keys
    {
        QString name;     // TextSearch::fold of the name
        QString bundleID; // TextSearch::fold of the identifier
        bool isSelf = false;
    };
    std::vector<Keys> m_keys;
};

} // namespace qm
