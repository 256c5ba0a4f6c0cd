#pragma once

#include "core/apps/InstalledApp.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <set>

namespace qm::AppMatch {

// The two keys by which an application's leftovers are matched; an empty key is not to be used.
struct MatchKeys
{
    QString name;
    QString bundleID;

    bool operator==(const MatchKeys&) const = default;
};

// The keys for matching one application's leftovers, in the caller's spelling. The name key is empty
// when two or more installed names equal it ignoring case; the identifier key is empty when it is
// empty already or when two or more installed identifiers equal it ignoring case. A single equal
// entry (normally the application itself) drops nothing.
MatchKeys matchKeys(const QString& appName, const QString& bundleID, const QStringList& installedAppNames,
                    const QStringList& installedBundleIDs);

// True when `name` (ignoring case) is a whole word of some other installed application's name, a word
// being a maximal run of Unicode letters and numbers. An installed name equal to `name` ignoring case
// does not count; an empty name or an empty list is never ambiguous.
bool nameMatchIsAmbiguous(const QString& name, const QStringList& installedAppNames);

// The bundle identifier a data entry's file name stands for: the name lowercased, with one
// trailing ".plist", ".savedstate" or ".binarycookies" removed (the first that matches, in that
// order), provided it has at least three dot-separated parts, none empty, none "group" or
// "systemgroup", and a first part that is not a team identifier (ten letters or numbers with at
// least one number). Nothing otherwise.
std::optional<QString> bundleIDCandidate(const QString& fileName);

// True when `fileName` stands for data of an application that is not installed: it has a candidate
// identifier, the identifier is not in Apple's namespace, and none of its parts other than the
// generic ones ("com", "app", "helper", ...) appears as a part of any non-empty installed identifier
// (compared in lower case). A candidate made only of generic parts is never orphaned.
bool isOrphaned(const QString& fileName, const QStringList& installedBundleIDs);

// The 43 lowercase words too common to serve as an application-name key ("update", "helper",
// "notes", ...). The leftover finder refuses a name key in this set.
const std::set<QString>& genericNames();

} // namespace qm::AppMatch
