#pragma once

#include "core/disk/DiskUsageReport.h"
#include "core/system/VolumeSpace.h"
#include "platform/FileSystem.h"

#include <QString>

#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

// Measures what fills the disk: eight fixed folders (the system-wide applications folder and seven
// folders of the home) set against the home volume's used and free space. A plain value holding its
// roots and how it reads the volume; it keeps nothing between calls, and copies may run at once.
class DiskUsageScanner
{
public:
    // One row of the category table: the folder as listed (not resolved) and how it is drawn.
    struct Spec
    {
        QString name;
        Path url;
        quint32 colorHex = 0;
        QString symbol;

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

    // `home`: the user's home folder; the Applications row is <systemRoot>/Applications. An empty
    // `volume` reads the real volume (VolumeSpace::read).
    explicit DiskUsageScanner(Path home = FileSystem::homeDirectory(), Path systemRoot = Path("/"),
                              VolumeReader volume = {});

    const Path& home() const { return m_home; }
    const Path& systemRoot() const { return m_systemRoot; }

    // The category table in display order: Applications (<systemRoot>/Applications), Photos
    // (~/Pictures), Movies, Music, Downloads, Documents, Desktop, App Data (~/Library). Reads nothing.
    std::vector<Spec> specs() const;

    // Measures every row whose folder exists (following links), all rows at once, each with the
    // bounded sizer on its folder with links resolved, and assembles the report. A row whose resolved
    // folder holds another row's resolved folder skips that one, so nested folders count once, under
    // the innermost row. The report is incomplete when a measurement met a denial, its entry cap or
    // its deadline, when two rows resolve to the same folder (both are measured in full), or when the
    // folders add up to more than the used space. A missing folder adds nothing and marks nothing.
    // Blocks until every row is done: run it off the GUI thread. When `stop` is triggered the figures
    // so far are returned at once; cancellation marks nothing.
    DiskUsageReport scan(std::stop_token stop = {}) const;

    // The home volume's totals; (0, 0) when the volume cannot be read.
    VolumeTotals volumeTotals() const;

private:
    Path m_home;
    Path m_systemRoot;
    VolumeReader m_volume;
};

} // namespace qm
