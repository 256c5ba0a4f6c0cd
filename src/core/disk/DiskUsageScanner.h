#pragma once

#include "core/disk/DiskUsageReport.h"
#include "core/system/VolumeSpace.h"
#include "platform/FileSystem.h"
#include "platform/Places.h"

#include <QString>

#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

// Measures what fills the disk: eight rows of this platform's places (where applications are installed,
// six of the user's folders, and the applications' data) set against the home volume's used and free
// space. A plain value holding its
// roots and how it reads the volume; it keeps nothing between calls, and copies may run at once.
class DiskUsageScanner
{
public:
    // One row of the category table: its first folder and how it is drawn, and
    // every folder it adds up, as listed (not resolved).
    struct Spec
    {
        QString name;
        Path url;
        quint32 colorHex = 0;
        QString symbol;
        std::vector<Path> folders;

        bool operator==(const Spec&) const = default;
    };
    // The home volume's size, the space still available to an ordinary user and the space in use
    // (total less the free blocks, as df counts it: root's reserve is neither used nor available), in
    // bytes.
    struct VolumeTotals
    {
        qint64 total = 0;
        qint64 free = 0;
        qint64 used = 0;

        bool operator==(const VolumeTotals&) const = default;
    };
    // Reads the volume holding a path; nothing when it cannot. Called on the scanning thread.
    using VolumeReader = std::function<std::optional<VolumeSpace>(const Path&)>;

    // Each folder is measured with at most this many entries (reaching it counts as incomplete) and
    // this many seconds of real time.
    static constexpr qint64 kNodeLimit = 500'000;
    static constexpr double kDeadlineSeconds = 300.0;

    // The rows of `places`; an empty `volume` reads the real volume (VolumeSpace::read).
    explicit DiskUsageScanner(Places places = Places::current(), VolumeReader volume = {});
    // The places of `home` laid out with this platform's defaults, system places under `systemRoot`.
    DiskUsageScanner(const Path& home, const Path& systemRoot = Path("/"), VolumeReader volume = {});

    const Places& places() const { return m_places; }
    const Path& home() const { return m_places.home(); }
    const Path& systemRoot() const { return m_places.systemRoot(); }

    // The category table in display order: Applications (~/Applications, the user's and the system's
    // Flatpak "app" folders, <systemRoot>/opt), Photos (the pictures folder), Movies (the videos
    // folder), Music, Downloads, Documents, Desktop (the user's folders of user-dirs.dirs), App Data
    // (the config, data, cache and state homes and ~/.var). Reads nothing.
    std::vector<Spec> specs() const;

    // Measures every folder of every row that exists (following links), all at once, each with the
    // bounded sizer on the folder with links resolved, and assembles the report from the rows that
    // have a folder (each opens its first folder that exists). A folder whose resolved path holds another
    // folder's skips that one, so nested folders count once, under the innermost (the user's Flatpak apps in
    // the data home count as Applications). The report is incomplete when a measurement met a denial, its
    // entry cap or its deadline, when two folders resolve to the same place (both are measured in full), or
    // when the folders add up to more than the used space. A missing folder adds nothing and marks nothing.
    // Blocks until every row is done: run it off the GUI thread. When `stop` is triggered the figures
    // so far are returned at once; cancellation marks nothing.
    DiskUsageReport scan(std::stop_token stop = {}) const;

    // The home volume's totals; (0, 0) when the volume cannot be read.
    VolumeTotals volumeTotals() const;

private:
    Places m_places;
    VolumeReader m_volume;
};

} // namespace qm
