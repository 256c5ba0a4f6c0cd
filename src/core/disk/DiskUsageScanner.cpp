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

struct Row
{
    DiskUsageScanner::Spec spec;
    Path resolved;
    std::vector<Path> excluded;
    qint64 bytes = 0;
    bool shortfall = false;
};

} // namespace

DiskUsageScanner::DiskUsageScanner(Path home, Path systemRoot, VolumeReader volume)
    : m_home(std::move(home)), m_systemRoot(std::move(systemRoot)), m_volume(std::move(volume))
{
    if (!m_volume)
        m_volume = &VolumeSpace::read;
}

std::vector<DiskUsageScanner::Spec> DiskUsageScanner::specs() const
{
    const auto row = [](const char* name, Path url, quint32 color, const char* symbol) {
        return Spec{QString::fromUtf8(name), std::move(url), color, QString::fromUtf8(symbol)};
    };
    return {
        row("Applications", m_systemRoot / "Applications", 0x7EC8E3, "square.grid.2x2"),
        row("Photos", m_home / "Pictures", 0x8AA0F0, "photo"),
        row("Movies", m_home / "Movies", 0xC08AE0, "film"),
        row("Music", m_home / "Music", 0x8AD9C0, "music.note"),
        row("Downloads", m_home / "Downloads", 0xF0B860, "arrow.down.circle"),
        row("Documents", m_home / "Documents", 0x9A8AE8, "doc.text"),
        row("Desktop", m_home / "Desktop", 0x6FD9C9, "display"),
        row("App Data", m_home / "Library", 0xE0A85C, "shippingbox"),
    };
}

DiskUsageScanner::VolumeTotals DiskUsageScanner::volumeTotals() const
{
    const std::optional<VolumeSpace> space = m_volume(m_home);
    if (!space)
        return {};
    return VolumeTotals{space->total, space->available, space->used()};
}

DiskUsageReport DiskUsageScanner::scan(std::stop_token stop) const
{
    const FileSystem files;
    std::vector<Row> rows;
    for (Spec& spec : specs()) {
        if (files.statusFollowingLinks(spec.url))
            rows.push_back(Row{std::move(spec), {}, {}, 0, false});
    }
    for (Row& row : rows)
        row.resolved = FileSystem::resolveLinks(row.spec.url);

    // Each row leaves out the rows nested inside it, so a Desktop that lives in the Library, or
    // Pictures kept inside Documents, counts once, under its own name. Two rows on one folder cannot
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
    const CleanupScanner sizer(FileSystem(), m_home, m_systemRoot);
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
    for (Row& row : rows) {
        measured.push_back(
            DiskCategory{row.spec.name, row.bytes, row.spec.colorHex, row.spec.url, row.spec.symbol});
        shortfall = shortfall || row.shortfall;
    }
    const VolumeTotals totals = volumeTotals();
    const qint64 totalUsed = totals.used;
    DiskUsage::Assembled assembled = DiskUsage::assemble(measured, totalUsed);
    return DiskUsageReport{std::move(assembled.categories), totalUsed, totals.free, totals.total,
                           assembled.overcounted || shortfall};
}

} // namespace qm
