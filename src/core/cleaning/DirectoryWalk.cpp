#include "core/cleaning/DirectoryWalk.h"

#include "core/cleaning/MountTable.h"
#include "platform/UniqueFd.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace qm {
namespace {

// One getdents64 buffer per thread; a folder is read to its end before any sub-folder is opened.
constexpr std::size_t kBufferBytes = 64 * 1024;
// A large folder is split only past this many entries, in parts of this many.
constexpr std::size_t kSplitAfterEntries = 256;
constexpr std::size_t kSplitPart = 128;
// How long an idle helper keeps looking for a queued folder (yielding the processor between looks)
// before it sleeps.
constexpr std::chrono::microseconds kIdleLooking{100};

// Magic numbers of pseudo file systems that <linux/magic.h> does not name.
constexpr long kMqueueMagic = 0x19800202;
constexpr long kConfigfsMagic = 0x62656570;
constexpr long kFusectlMagic = 0x65735543;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
constexpr int kLinkedRootFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;

std::atomic<DirectoryWalk::FolderHook> g_folderHook{nullptr};

void beforeFolder(std::string_view folder)
{
    if (const DirectoryWalk::FolderHook hook = g_folderHook.load(std::memory_order_acquire))
        hook(folder);
}

QString describe(std::string_view path)
{
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

// An opened folder waiting to be walked, by whichever thread takes it.
struct Task
{
    UniqueFd fd;
    quint64 device = 0;
    quint64 inode = 0;
    std::string prefix; // the folder's path and a trailing "/"
    int depth = 0;      // 0 for the root
    // Part of a large folder's entries, to examine instead of reading the folder (fd is a duplicate).
    std::vector<std::string> names;
};

struct SubFolder
{
    std::string name;
    quint64 device = 0; // as fstatat reported it, before the folder is opened
};

struct Frame
{
    UniqueFd fd; // closed while the frame is beyond the thread's descriptor budget
    quint64 device = 0;
    quint64 inode = 0;
    std::size_t prefixLength; // length of this folder's path plus the trailing "/" in the path buffer
    int depth = 0;
    std::vector<SubFolder> subFolders;
    std::size_t next = 0;
};

// What the threads of one run share. Lives on the stack of `DirectoryWalk::run`, which joins every
// helper before it returns.
class RunState
{
public:
    RunState(const DirectoryWalk::Limits& limits, const DirectoryWalk::Shared& shared, std::stop_token stop,
             const DirectoryWalk::Visitor& visit, const DirectoryWalk::ErrorHandler& onError)
        : limits(limits), stop(std::move(stop)), visit(visit), onError(onError), m_mounts(shared.mounts),
          m_budget(shared.helpers)
    {}

    ~RunState()
    {
        for (std::thread& helper : m_helpers)
            helper.join();
        if (m_budget)
            m_budget->give(m_taken);
    }

    // The mount table of this run: the shared one, else the current one read once for every thread.
    const MountTable& mounts()
    {
        std::call_once(m_mountsRead, [this] {
            if (!m_mounts)
                m_mounts = std::make_shared<const MountTable>(MountTable::current());
        });
        return *m_mounts;
    }

    bool stopped() const { return m_ended.load(std::memory_order_relaxed) || stop.stop_requested(); }

    // The visitor asked for the end: every thread stops at its next entry, idle ones wake up.
    void end()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_ended.store(true, std::memory_order_relaxed);
        }
        m_changed.notify_all();
    }

    // True when more helpers wait for work than is queued for them, so that an offer would be taken;
    // cheap enough to ask before every sub-folder.
    bool hungry() const
    {
        return m_hungry.load(std::memory_order_relaxed) > m_queued.load(std::memory_order_relaxed);
    }

    // Hands an opened folder to an idle helper when one is waiting for more than is queued already;
    // otherwise leaves `task` untouched and answers false, and the caller walks it itself. So the
    // queue, and the descriptors it holds, never outgrow the number of threads.
    bool offer(Task& task)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (m_idle <= int(m_queue.size()))
                return false;
            m_queue.push_back(std::move(task));
            m_queued.fetch_add(1, std::memory_order_relaxed);
        }
        m_changed.notify_one();
        return true;
    }

    // Starts helper threads up to `threads - 1` in all, as far as the budget allows; a thread that cannot
    // be started is simply not there. Only the caller's thread calls it.
    void addHelpers();
    // True when helpers run with fewer than asked for and the budget has some free again.
    bool wantsMoreHelpers() const
    {
        return m_budget && int(m_helpers.size()) < limits.threads - 1 && m_budget->available() > 0;
    }
    // Takes queued folders and walks them until nothing is queued and nobody is walking.
    void work(int worker);
    // The caller's thread has finished its own part.
    void finishRoot()
    {
        {
            const std::lock_guard lock(m_mutex);
            --m_active;
        }
        m_changed.notify_all();
    }
    bool helpersStarted() const { return m_helpersStarted; }

    const DirectoryWalk::Limits limits;
    const std::stop_token stop;
    const DirectoryWalk::Visitor& visit;
    const DirectoryWalk::ErrorHandler& onError;

private:
    std::atomic<bool> m_ended{false};
    std::atomic<int> m_hungry{0};
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::deque<Task> m_queue;     // guarded by m_mutex
    std::atomic<int> m_queued{0}; // its size, for an idle helper to watch without the lock
    int m_idle = 0;               // guarded by m_mutex
    // Threads walking a folder, the caller's root walk included; changed under m_mutex, read without it
    // only by an idle helper looking for work.
    std::atomic<int> m_active{1};
    bool m_helpersStarted = false;
    std::vector<std::thread> m_helpers;
    std::shared_ptr<const MountTable> m_mounts;
    std::once_flag m_mountsRead;
    std::shared_ptr<DirectoryWalk::HelperBudget> m_budget;
    int m_taken = 0; // threads taken from the budget, given back when the run ends
};

// One thread's walk of one folder tree (the root, or a folder handed over by another thread).
class Walker
{
public:
    Walker(RunState& shared, int worker)
        : m_shared(shared), m_worker(worker), m_buffer(new char[kBufferBytes])
    {}

    // The caller's thread: the whole tree below the root.
    void walkRoot(UniqueFd rootFd, const struct stat& rootStatus, std::string rootPath)
    {
        if (isPseudoRoot(rootFd.get(), static_cast<quint64>(rootStatus.st_dev)))
            return;
        if (rootPath.empty() || rootPath.back() != '/')
            rootPath += '/';
        walk(Task{std::move(rootFd),
                  static_cast<quint64>(rootStatus.st_dev),
                  static_cast<quint64>(rootStatus.st_ino),
                  std::move(rootPath),
                  0,
                  {}});
    }

    void walk(Task task)
    {
        m_path = std::move(task.prefix);
        m_frames.clear();
        m_frames.push_back(
            Frame{std::move(task.fd), task.device, task.inode, m_path.size(), task.depth, {}, 0});
        m_openCount = 1;
        m_lowestOpen = 0;
        if (!task.names.empty()) {
            for (const std::string& name : task.names) {
                if (!visitName(m_frames.back(), name.c_str()))
                    return;
            }
        } else if (!readFolder(m_frames.back())) {
            return;
        }

        while (!m_frames.empty()) {
            if (m_shared.stopped())
                return;
            Frame& top = m_frames.back();
            if (top.next >= top.subFolders.size()) {
                if (!leave())
                    return;
                continue;
            }
            if (m_shared.hungry() && shareShallowest())
                continue;
            const SubFolder sub = std::move(top.subFolders[top.next++]);
            if (top.next == top.subFolders.size())
                std::vector<SubFolder>().swap(top.subFolders);
            struct stat st;
            UniqueFd fd = openSubFolder(top, sub, m_path, st);
            if (!fd)
                continue;
            const auto device = static_cast<quint64>(st.st_dev);
            const int depth = top.depth + 1;
            if (m_openCount >= maxOpen()) {
                m_frames[m_lowestOpen].fd.reset();
                ++m_lowestOpen;
                --m_openCount;
            }
            m_frames.push_back(
                Frame{std::move(fd), device, static_cast<quint64>(st.st_ino), m_path.size(), depth, {}, 0});
            ++m_openCount;
            if (!readFolder(m_frames.back()))
                return;
        }
    }

private:
    // Opens `sub`, a sub-folder of `parent`, and leaves its path and a trailing "/" in `path`, which
    // holds the parent's path up to `parent.prefixLength`. Invalid when it is to be left out (a kernel
    // pseudo file system) or cannot be opened or examined (reported).
    UniqueFd openSubFolder(const Frame& parent, const SubFolder& sub, std::string& path, struct stat& st)
    {
        path.resize(parent.prefixLength);
        path += sub.name;
        if (sub.device != parent.device && mounts().isPseudoDevice(sub.device))
            return {};
        beforeFolder(path);
        UniqueFd fd(::openat(parent.fd.get(), sub.name.c_str(), kFolderFlags));
        if (!fd) {
            report(path, errno);
            return {};
        }
        if (::fstat(fd.get(), &st) != 0) {
            report(path, errno);
            return {};
        }
        const auto device = static_cast<quint64>(st.st_dev);
        // Replaced between listing and opening: judge what was opened.
        if (device != sub.device && device != parent.device && mounts().isPseudoDevice(device))
            return {};
        path += '/';
        return fd;
    }

    // Hands an idle helper the last sub-folder still waiting in the shallowest open frame: the one
    // most likely to hold a large part of the tree, so that a helper walks a subtree of its own for a
    // while rather than coming back for more after every small folder. Leaves the frames (and the path
    // buffer) as they were when nobody takes it. True when one was handed over or left out.
    bool shareShallowest()
    {
        for (std::size_t k = m_lowestOpen; k < m_frames.size(); ++k) {
            Frame& frame = m_frames[k];
            if (frame.next >= frame.subFolders.size() || !frame.fd.valid())
                continue;
            SubFolder sub = std::move(frame.subFolders.back());
            frame.subFolders.pop_back();
            std::string path(m_path, 0, frame.prefixLength);
            struct stat st;
            UniqueFd fd = openSubFolder(frame, sub, path, st);
            if (!fd)
                return true;
            Task task{std::move(fd),
                      static_cast<quint64>(st.st_dev),
                      static_cast<quint64>(st.st_ino),
                      std::move(path),
                      frame.depth + 1,
                      {}};
            if (m_shared.offer(task))
                return true;
            frame.subFolders.push_back(std::move(sub));
            return false;
        }
        return false;
    }

    std::size_t maxOpen() const { return std::size_t(std::max(m_shared.limits.maxOpenFolders, 2)); }

    // Pops the finished top frame, first reopening its parent through ".." when the parent's
    // descriptor was given up. False when the parent is no longer where it was: this thread's part
    // of the walk ends there.
    bool leave()
    {
        const std::size_t top = m_frames.size() - 1;
        if (top > 0 && !m_frames[top - 1].fd.valid()) {
            Frame& parent = m_frames[top - 1];
            UniqueFd up(
                ::openat(m_frames[top].fd.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
            struct stat st;
            const bool same = up.valid() && ::fstat(up.get(), &st) == 0 &&
                              static_cast<quint64>(st.st_dev) == parent.device &&
                              static_cast<quint64>(st.st_ino) == parent.inode;
            if (!same) {
                report(folderPath(parent), up.valid() ? ESTALE : errno);
                return false;
            }
            parent.fd = std::move(up);
            m_lowestOpen = top - 1;
            ++m_openCount;
        }
        --m_openCount;
        m_frames.pop_back();
        return true;
    }

    // Reports every entry of the frame's folder and remembers its sub-folders. False when the walk
    // is to end (stopped by the token or by the visitor).
    bool readFolder(Frame& frame)
    {
        const bool sorted = m_shared.limits.sortedNames;
        if (sorted)
            m_names.clear();
        const bool split = !sorted && m_shared.limits.splitLargeFolders && m_shared.limits.threads > 1;
        std::size_t seen = 0;
        std::vector<std::string> part; // names past kSplitAfterEntries not examined yet
        char* const buffer = m_buffer.get();
        for (;;) {
            const ssize_t got = ::getdents64(frame.fd.get(), buffer, kBufferBytes);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                report(folderPath(frame), errno);
                break;
            }
            if (got == 0)
                break;
            for (ssize_t offset = 0; offset < got;) {
                const auto* d = reinterpret_cast<const struct dirent64*>(buffer + offset);
                offset += d->d_reclen;
                const char* name = d->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                    continue;
                if (sorted) {
                    m_names.emplace_back(name);
                } else if (split && ++seen > kSplitAfterEntries) {
                    part.emplace_back(name);
                    if (part.size() >= kSplitPart && !handOver(frame, part))
                        return false;
                } else if (!visitName(frame, name)) {
                    return false;
                }
            }
        }
        for (const std::string& name : part) {
            if (!visitName(frame, name.c_str()))
                return false;
        }
        if (!sorted)
            return true;
        // std::string compares as unsigned bytes, so "a\xff" sorts after "b".
        std::sort(m_names.begin(), m_names.end());
        for (const std::string& name : m_names) {
            if (!visitName(frame, name.c_str()))
                return false;
        }
        std::vector<std::string>().swap(m_names);
        return true;
    }

    // Gives `part` (names of the frame's folder) to an idle helper with a duplicate of the folder's
    // descriptor, or examines it here when none is waiting or no descriptor is to be had; empties it.
    // False when the walk is to end.
    bool handOver(Frame& frame, std::vector<std::string>& part)
    {
        if (m_shared.hungry()) {
            UniqueFd copy(::fcntl(frame.fd.get(), F_DUPFD_CLOEXEC, 0));
            if (copy.valid()) {
                Task task{std::move(copy), frame.device,
                          frame.inode,     std::string(m_path, 0, frame.prefixLength),
                          frame.depth,     std::move(part)};
                if (m_shared.offer(task)) {
                    part.clear();
                    return true;
                }
                part = std::move(task.names);
            }
        }
        for (const std::string& name : part) {
            if (!visitName(frame, name.c_str()))
                return false;
        }
        part.clear();
        return true;
    }

    // Examines and reports one entry of the frame's folder and remembers it when it is a sub-folder to
    // walk. False when the walk is to end.
    bool visitName(Frame& frame, const char* name)
    {
        if (m_shared.stopped())
            return false;
        m_path.resize(frame.prefixLength);
        m_path += name;
        struct stat st;
        if (::fstatat(frame.fd.get(), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            report(m_path, errno);
            return true;
        }
        const DirectoryWalk::Status status = DirectoryWalk::Status::of(st);
        const std::string_view path(m_path);
        const DirectoryWalk::Entry entry{
            path, path.substr(frame.prefixLength), frame.depth + 1, frame.fd.get(), m_worker, status};
        const DirectoryWalk::Action action = m_shared.visit(entry);
        if (action == DirectoryWalk::Action::Stop) {
            m_shared.end();
            return false;
        }
        if (m_worker == 0) {
            // Go parallel once the tree proves large; with a shared budget, take more helpers later
            // when other walks have given theirs back.
            ++m_reported;
            if (!m_shared.helpersStarted() ? m_reported >= m_shared.limits.parallelAfterEntries
                                           : m_reported % 1024 == 0 && m_shared.wantsMoreHelpers())
                m_shared.addHelpers();
        }
        if (action != DirectoryWalk::Action::Continue || !S_ISDIR(st.st_mode))
            return true;
        if (frame.depth + 2 > m_shared.limits.maxDepth) {
            report(m_path, ELOOP);
            return true;
        }
        frame.subFolders.push_back(SubFolder{std::string(name), status.device});
        return true;
    }

    std::string_view folderPath(const Frame& frame) const
    {
        // The path buffer still holds every open ancestor's prefix; drop the trailing "/" except for
        // the file-system root itself.
        const std::size_t length = frame.prefixLength > 1 ? frame.prefixLength - 1 : frame.prefixLength;
        return std::string_view(m_path).substr(0, length);
    }

    void report(std::string_view path, int errnoValue) const
    {
        if (m_shared.onError)
            m_shared.onError(path, Error::posix(errnoValue, describe(path)));
    }

    bool isPseudoRoot(int fd, quint64 device)
    {
        struct statfs fs;
        if (::fstatfs(fd, &fs) != 0)
            return false;
        switch (static_cast<long>(fs.f_type)) {
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
        case DEVPTS_SUPER_MAGIC:
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
        case SECURITYFS_MAGIC:
        case DEBUGFS_MAGIC:
        case TRACEFS_MAGIC:
        case static_cast<long>(BPF_FS_MAGIC):
        case PSTOREFS_MAGIC:
        case kMqueueMagic:
        case static_cast<long>(HUGETLBFS_MAGIC):
        case kConfigfsMagic:
        case kFusectlMagic:
        case BINFMTFS_MAGIC:
        case AUTOFS_SUPER_MAGIC:
            return true;
        case TMPFS_MAGIC:
            // devtmpfs reports the tmpfs magic; only the mount table tells them apart.
            return mounts().isPseudoDevice(device);
        default:
            return false;
        }
    }

    // Read once per run, and only when a walk meets another device.
    const MountTable& mounts() { return m_shared.mounts(); }

    RunState& m_shared;
    const int m_worker;
    std::unique_ptr<char[]> m_buffer;
    std::string m_path;
    std::vector<Frame> m_frames;
    std::vector<std::string> m_names; // one folder's names while they are sorted
    std::size_t m_openCount = 0;
    std::size_t m_lowestOpen = 0;
    qint64 m_reported = 0;
};

void RunState::addHelpers()
{
    m_helpersStarted = true;
    int wanted = limits.threads - 1 - int(m_helpers.size());
    if (m_budget)
        wanted = m_budget->take(wanted);
    int started = 0;
    for (; started < wanted; ++started) {
        const int worker = int(m_helpers.size()) + 1;
        try {
            m_helpers.emplace_back([this, worker] { work(worker); });
        } catch (const std::system_error&) {
            break;
        }
    }
    if (m_budget) {
        m_taken += started;
        m_budget->give(wanted - started);
    }
}

void RunState::work(int worker)
{
    std::optional<Walker> walker;
    for (;;) {
        Task task;
        {
            std::unique_lock lock(m_mutex);
            ++m_idle;
            m_hungry.fetch_add(1, std::memory_order_relaxed);
            const auto ready = [&] {
                return m_ended.load(std::memory_order_relaxed) || !m_queue.empty() ||
                       m_active.load(std::memory_order_relaxed) == 0;
            };
            if (!ready()) {
                // Small folders come and go quickly: look for the next one for a moment before
                // sleeping, as a wake-up costs far more than walking one.
                lock.unlock();
                const auto until = std::chrono::steady_clock::now() + kIdleLooking;
                for (int i = 0; m_queued.load(std::memory_order_relaxed) == 0 &&
                                !m_ended.load(std::memory_order_relaxed) &&
                                m_active.load(std::memory_order_relaxed) > 0 && !stop.stop_requested();
                     ++i) {
                    if (i % 8 == 7 && std::chrono::steady_clock::now() >= until)
                        break;
                    std::this_thread::yield();
                }
                lock.lock();
            }
            m_changed.wait(lock, stop, ready);
            --m_idle;
            m_hungry.fetch_sub(1, std::memory_order_relaxed);
            if (stopped() || m_queue.empty())
                return;
            task = std::move(m_queue.front());
            m_queue.pop_front();
            m_queued.fetch_sub(1, std::memory_order_relaxed);
            ++m_active;
        }
        if (!walker)
            walker.emplace(*this, worker);
        walker->walk(std::move(task));
        {
            const std::lock_guard lock(m_mutex);
            --m_active;
        }
        m_changed.notify_all();
    }
}

} // namespace

DirectoryWalk::Status DirectoryWalk::Status::of(const struct stat& st)
{
    constexpr qint64 kMostSeconds = std::numeric_limits<qint64>::max() / 1'000'000'000 - 1;
    Status s;
    s.mode = st.st_mode;
    s.device = static_cast<quint64>(st.st_dev);
    s.inode = static_cast<quint64>(st.st_ino);
    s.links = static_cast<quint64>(st.st_nlink);
    s.owner = st.st_uid;
    s.group = st.st_gid;
    s.size = static_cast<qint64>(st.st_size);
    s.allocated = static_cast<qint64>(st.st_blocks) * 512;
    const qint64 seconds = st.st_mtim.tv_sec;
    if (seconds > kMostSeconds)
        s.modifiedNs = std::numeric_limits<qint64>::max();
    else if (seconds < -kMostSeconds)
        s.modifiedNs = std::numeric_limits<qint64>::min();
    else
        s.modifiedNs = seconds * 1'000'000'000 + st.st_mtim.tv_nsec;
    return s;
}

bool DirectoryWalk::Status::isDirectory() const
{
    return S_ISDIR(mode);
}

bool DirectoryWalk::Status::isSymlink() const
{
    return S_ISLNK(mode);
}

bool DirectoryWalk::Status::isRegular() const
{
    return S_ISREG(mode);
}

int DirectoryWalk::HelperBudget::take(int wanted)
{
    int free = m_free.load(std::memory_order_relaxed);
    for (;;) {
        const int taken = std::clamp(wanted, 0, free);
        if (taken == 0)
            return 0;
        if (m_free.compare_exchange_weak(free, free - taken, std::memory_order_relaxed))
            return taken;
    }
}

void DirectoryWalk::setFolderHook(FolderHook hook)
{
    g_folderHook.store(hook, std::memory_order_release);
}

Result<void> DirectoryWalk::run(const Path& root, std::stop_token stop, const Visitor& visit,
                                const ErrorHandler& onError) const
{
    beforeFolder(root.native());
    UniqueFd fd(::open(root.c_str(), m_limits.followRootLink ? kLinkedRootFlags : kFolderFlags));
    if (!fd)
        return Error::posix(errno, describe(root.native()));
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return Error::posix(errno, describe(root.native()));
    RunState shared(m_limits, m_shared, std::move(stop), visit, onError);
    {
        Walker walker(shared, 0);
        walker.walkRoot(std::move(fd), st, root.native());
    }
    shared.finishRoot();
    if (shared.helpersStarted())
        shared.work(0);
    return {};
}

} // namespace qm
