#pragma once

#include "core/files/ContentHash.h"
#include "core/files/FileScanner.h"

#include <functional>
#include <optional>
#include <stop_token>

namespace qm {

// The duplicate finder behind FileScanner::findDuplicates (see there for what it gives). Stages: a walk
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

    // Bytes of a file's head that decide whether its whole content is read.
    static constexpr qint64 kHeadBytes = 65'536;

    DuplicateFinder(const FileScanner& scanner, Settings settings);

    FileScanner::DuplicateSearch run(const Path& root, qint64 minBytes, const FileScanner::TextSink& progress,
                                     std::stop_token stop) const;

    // The one progress text: "Comparing files of " + the size text + "…" ("0 KB" for 0 or less).
    static QString progressText(qint64 logicalBytes);

private:
    const FileScanner& m_scanner;
    Settings m_settings;
};

} // namespace qm
