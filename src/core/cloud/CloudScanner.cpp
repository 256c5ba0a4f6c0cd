#include "core/cloud/CloudScanner.h"

#include "core/cleaning/DirectoryWalk.h"
#include "core/cleaning/FileErrors.h"

#include <QUuid>

#include <algorithm>
#include <string_view>

namespace qm {

CloudScanner::CloudScanner(Path root, std::shared_ptr<const CloudDrive> drive, FileSystem fileManager)
    : m_root(std::move(root)), m_drive(std::move(drive)), m_fileManager(std::move(fileManager))
{}

CloudScanner::Scan CloudScanner::scan(const Progress& progress, std::stop_token stop) const
{
    const auto report = [&](int done, int total) {
        if (progress)
            progress(done, total);
    };
    Scan result;
    const Result<FileSystem::Listing> listing = m_fileManager.list(m_root);
    if (!listing) {
        report(0, 0);
        result.readFailed = true;
        return result;
    }
    std::vector<Path> names;
    for (const Path& name : listing->names) {
        if (!name.native().starts_with('.'))
            names.push_back(name);
    }
    // A folder too large to list whole is measured as far as it was listed.
    result.partial = listing->truncated;
    const int n = int(names.size());
    report(0, n);

    for (int i = 0; i < n; ++i) {
        if (stop.stop_requested())
            return Scan{{}, false, result.partial};
        const Path url = m_root / names[std::size_t(i)];
        const Result<FileStatus> status = m_fileManager.status(url);
        if (!status)
            continue;
        qint64 local = 0;
        qint64 cloud = 0;
        if (status->isDirectory()) {
            const Sizes sizes = subtreeSizes(url, stop);
            local = sizes.local;
            cloud = sizes.cloud;
            result.partial = result.partial || sizes.denied;
        } else {
            local = m_drive->isDataless(url) ? 0 : status->allocated;
            cloud = status->size;
        }
        if (local > 0 || cloud > 0) {
            result.items.push_back(CloudItem{QUuid::createUuid(), url,
                                             FileSystem::displayName(names[std::size_t(i)]),
                                             status->isDirectory(), local, cloud, 0.0, false});
        }
        report(i + 1, n);
    }

    std::stable_sort(result.items.begin(), result.items.end(),
                     [](const CloudItem& a, const CloudItem& b) { return a.localBytes > b.localBytes; });
    qint64 total = 0;
    for (const CloudItem& item : result.items)
        total += item.localBytes;
    if (total >= 1) {
        for (CloudItem& item : result.items)
            item.fraction = double(item.localBytes) / double(total);
    }
    return result;
}

CloudScanner::Sizes CloudScanner::subtreeSizes(const Path& folder, std::stop_token stop) const
{
    Sizes sizes;
    const auto visit = [&](const DirectoryWalk::Entry& entry) {
        if (stop.stop_requested())
            return DirectoryWalk::Action::Stop;
        if (entry.status.isRegular()) {
            sizes.cloud += entry.status.size;
            if (!m_drive->isDataless(Path(std::string(entry.path))))
                sizes.local += entry.status.allocated;
        }
        return DirectoryWalk::Action::Continue;
    };
    const auto onError = [&](std::string_view, const Error& error) {
        if (FileErrors::isPermissionDenied(error))
            sizes.denied = true;
    };
    if (!DirectoryWalk().run(folder, stop, visit, onError))
        sizes.denied = true;
    return sizes;
}

bool CloudScanner::isBelowRoot(const Path& path) const
{
    const std::string clean = FileSystem::standardize(path).native();
    const std::string root = FileSystem::standardize(m_root).native();
    return clean.size() > root.size() && clean.compare(0, root.size(), root) == 0 &&
           (clean[root.size()] == '/' || root == "/");
}

qint64 CloudScanner::evict(const Path& path, std::stop_token stop) const
{
    if (stop.stop_requested() || !isBelowRoot(path))
        return 0;
    const Result<FileStatus> status = m_fileManager.status(path);
    if (!status)
        return 0;
    const auto evictable = [this](const Path& file) {
        return !m_drive->isDataless(file) && m_drive->uploadState(file) == CloudUploadState::uploaded;
    };

    if (status->isDirectory()) {
        qint64 evicted = 0;
        const auto visit = [&](const DirectoryWalk::Entry& entry) {
            if (stop.stop_requested())
                return DirectoryWalk::Action::Stop;
            if (!entry.status.isRegular())
                return DirectoryWalk::Action::Continue;
            const Path file(std::string(entry.path));
            if (evictable(file) && m_drive->evict(file))
                evicted += entry.status.allocated;
            return DirectoryWalk::Action::Continue;
        };
        // A folder that cannot be walked evicts nothing; entries that cannot be read are passed over.
        (void)DirectoryWalk().run(path, stop, visit, {});
        return evicted;
    }
    if (!status->isRegular() || !evictable(path))
        return 0;
    return m_drive->evict(path) ? status->allocated : 0;
}

} // namespace qm
