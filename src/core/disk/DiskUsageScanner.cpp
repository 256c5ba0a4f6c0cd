#include "core/disk/DiskUsageScanner.h"

#include "core/cleaning/CleanupScanner.h"
#include "core/cleaning/CoverageFlag.h"
#include "core/disk/DiskUsage.h"

#include <memory>
#include <string>
#include <system_error>
#include <thread>

namespace qm {
namespace {

// `inner` lies strictly below `outer`: `outer` followed by "/" starts it. Byte for byte.
bool isStrictlyBelow(const std::string& inner, const std::string& outer)
{
    const std::string prefix = outer.ends_with('/') ? outer : outer + '/';
    return inner.size() > prefix.size() && inner.compare(0, prefix.size(), prefix) == 0;
}

// One folder of a row.
struct Row
{
    std::size_t spec = 0;
    Path resolved;
    std::vector<Path> excluded;
    qint64 bytes = 0;
    bool shortfall = false;
};

} // namespace

DiskUsageScanner::DiskUsageScanner(Places places, VolumeReader volume)
    : m_places(std::move(places)), m_volume(std::move(volume))
{
    if (!m_volume)
        m_volume = &VolumeSpace::read;
}

DiskUsageScanner::DiskUsageScanner(const Path& home, const Path& systemRoot, VolumeReader volume)
    : DiskUsageScanner(Places::resolve(home, {}, systemRoot), std::move(volume))
{}

std::vector<DiskUsageScanner::Spec> DiskUsageScanner::specs() const
{
    const auto row = [](const char* name, std::vector<Path> folders, quint32 color, const char* symbol) {
        Path url = folders.front();
        return Spec{QString::fromUtf8(name), std::move(url), color, QString::fromUtf8(symbol),
                    std::move(folders)};
    };
    const Places& p = m_places;
    return {
        row("Applications",
            {p.userApplications(), p.userFlatpak() / "app", p.systemFlatpak() / "app", p.optionalSoftware()},
            0x7EC8E3, "square.grid.2x2"),
        row("Photos", {p.pictures()}, 0x8AA0F0, "photo"),
        row("Movies", {p.videos()}, 0xC08AE0, "film"),
        row("Music", {p.music()}, 0x8AD9C0, "music.note"),
        row("Downloads", {p.downloads()}, 0xF0B860, "arrow.down.circle"),
        row("Documents", {p.documents()}, 0x9A8AE8, "doc.text"),
        row("Desktop", {p.desktop()}, 0x6FD9C9, "display"),
        row("App Data", {p.configHome(), p.dataHome(), p.cacheHome(), p.stateHome(), p.home() / ".var"},
            0xE0A85C, "shippingbox"),
    };
}

DiskUsageScanner::VolumeTotals DiskUsageScanner::volumeTotals() const
{
    const std::optional<VolumeSpace> space = m_volume(m_places.home());
    if (!space)
        return {};
    return VolumeTotals{space->total, space->available, space->used()};
}

DiskUsageReport DiskUsageScanner::scan(std::stop_token stop) const
{
    const FileSystem files;
    const std::vector<Spec> table = specs();
    std::vector<Row> rows;
    std::vector<Path> listed; // each row's folder as listed
    for (std::size_t s = 0; s < table.size(); ++s) {
        for (const Path& folder : table[s].folders) {
            if (files.statusFollowingLinks(folder)) {
                rows.push_back(Row{s, {}, {}, 0, false});
                listed.push_back(folder);
            }
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].resolved = FileSystem::resolveLinks(listed[i]);

    // Each folder leaves out the folders nested inside it, so the user's Flatpak apps in the data home,
    // or Pictures kept inside Documents, count once, under their own row. Two folders on one place cannot
    // be told apart: both count it, and the report says the split is approximate.
    bool sharedFolder = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t j = 0; j < rows.size(); ++j) {
            if (i == j)
                continue;
            if (isStrictlyBelow(rows[j].resolved.native(), rows[i].resolved.native()))
                rows[i].excluded.push_back(rows[j].resolved);
            else if (j > i && rows[j].resolved == rows[i].resolved)
                sharedFolder = true;
        }
    }

    // Every row on a thread of its own; the sizer walks each folder with its own threads and the
    // row's thread only waits on it. Each row writes only its own slot.
    const CleanupScanner sizer(FileSystem(), m_places);
    const auto measure = [&sizer, &stop](Row& row) {
        CoverageFlag coverage;
        row.bytes =
            sizer.size(row.resolved, row.excluded, kNodeLimit, true, kDeadlineSeconds, &coverage, stop);
        row.shortfall = coverage.hit();
    };
    {
        std::vector<std::jthread> threads;
        threads.reserve(rows.size());
        for (std::size_t i = 1; i < rows.size(); ++i) {
            try {
                threads.emplace_back(measure, std::ref(rows[i]));
            } catch (const std::system_error&) {
                measure(rows[i]);
            }
        }
        if (!rows.empty())
            measure(rows.front());
    }

    std::vector<DiskCategory> measured;
    bool shortfall = sharedFolder;
    for (std::size_t s = 0; s < table.size(); ++s) {
        std::optional<Path> opens; // the row's first folder that exists
        qint64 bytes = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const Row& row = rows[i];
            if (row.spec != s)
                continue;
            if (!opens)
                opens = listed[i];
            bytes += row.bytes;
            shortfall = shortfall || row.shortfall;
        }
        const Spec& spec = table[s];
        if (opens)
            measured.push_back(DiskCategory{spec.name, bytes, spec.colorHex, *opens, spec.symbol});
    }
    const VolumeTotals totals = volumeTotals();
    const qint64 totalUsed = totals.used;
    DiskUsage::Assembled assembled = DiskUsage::assemble(measured, totalUsed);
    return DiskUsageReport{std::move(assembled.categories), totalUsed, totals.free, totals.total,
                           assembled.overcounted || shortfall};
}

} // namespace qm
