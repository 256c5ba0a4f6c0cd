#pragma once

#include "core/files/ContentHash.h"
#include "core/files/DuplicateGroup.h"
#include "core/files/FileScanner.h"

#include <functional>
#include <optional>
#include <stop_token>

namespace qm {

// The duplicate finder of the Duplicates tool, built on a FileScanner's walk (see `find` for what it
// gives; the scanner knows nothing of it). Stages: a walk
// that buckets candidates by logical size; per bucket a collapse of hard links to the path met first, a
// hash of each file's first 65,536 bytes and a whole-content hash where heads match; then group
// assembly (shared storage marked, keeper chosen, the other independent copies preselected) and the
// order by reclaimable space. Buckets are hashed by several threads at once, largest size first; the
// content table is filled in bucket order afterwards, so the groups, their order, keepers, selections
// and the incomplete flag are those of a single thread taking the buckets in that order.
class DuplicateFinder
{
public:
    using ExtentKey = std::function<std::optional<QString>(const Path& path)>;

    struct Settings
    {
        FileSystem fileSystem; // opens files for hashing and for shared-storage keys
        ExtentKey extentKey;   // empty: ContentHash::firstExtentOffset
        int maxCandidates = FileScanner::kMaxDuplicateCandidates;
        int threads = 1; // buckets hashed at once, each thread with one chunk buffer
    };

    // What a search gives: the groups, largest reclaimable space first, and whether something could
    // not be read or hashed, or the candidate cap ended the walk.
    struct Search
    {
        std::vector<DuplicateGroup> groups;
        bool incomplete = false;
    };
    using TextSink = std::function<void(const QString& text)>;

    // Bytes of a file's head that decide whether its whole content is read.
    static constexpr qint64 kHeadBytes = 65'536;

    DuplicateFinder(const FileScanner& scanner, Settings settings);

    // Sets of byte-identical regular files of at least `minBytes` bytes below `root`, walked as
    // `scanner.walk` does (hidden entries, packages and library roots left out; links and placeholders
    // never candidates): sizes bucketed, hard links collapsed to the path met first, the first 65,536
    // bytes hashed, then whole contents where heads match. In each group copies whose storage is shared
    // (hard links, clones) are marked, the keeper is first and unselected and every other independent
    // copy is preselected. `progress` gets "Comparing files of <size>…" once per size with two or more
    // candidates, before any of its files is read; it is called from hashing threads, one call at a
    // time. Folders are walked and files hashed on several threads (FileScanner::hashThreads), with
    // the result one thread would give. Cancellation returns the groups of what was fully hashed,
    // without marking them incomplete. The settings are the scanner's services'. Reads only; never
    // throws.
    static Search find(const FileScanner& scanner, const Path& root, qint64 minBytes,
                       const TextSink& progress, std::stop_token stop = {});

    // The search of `find` with these settings.
    Search run(const Path& root, qint64 minBytes, const TextSink& progress, std::stop_token stop) const;

    // The one progress text: "Comparing files of " + the size text + "…" ("0 KB" for 0 or less).
    static QString progressText(qint64 logicalBytes);

private:
    const FileScanner& m_scanner;
    Settings m_settings;
};

} // namespace qm
