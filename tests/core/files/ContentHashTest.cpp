#include "core/files/ContentHash.h"

#include "platform/ProcessRunner.h"
#include "support/DigestOracle.h"
#include "support/ScratchMount.h"
#include "support/TempTree.h"
#include "support/ThreadReadBytes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <string>
#include <thread>

namespace qm {
namespace {

using test::opensslSha256;
using test::TempTree;
using test::threadReadBytes;

constexpr qint64 MiB = 1'048'576;

QByteArray randomBytes(qint64 size, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(rng() & 0xFF);
    return bytes;
}

void syncFile(const Path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::fsync(fd), 0) << path;
    ::close(fd);
}

// Whether the file system under `folder` answers FIEMAP at all (tmpfs does not).
bool answersFiemap(const Path& folder)
{
    const Path probe = folder / "fiemap-probe";
    {
        std::ofstream(probe) << "x";
    }
    const int fd = ::open(probe.c_str(), O_RDONLY | O_CLOEXEC);
    alignas(struct fiemap) unsigned char raw[sizeof(struct fiemap) + sizeof(struct fiemap_extent)] = {};
    auto* map = reinterpret_cast<struct fiemap*>(raw);
    map->fm_length = 1;
    map->fm_extent_count = 1;
    const bool answers = fd >= 0 && ::ioctl(fd, FS_IOC_FIEMAP, map) == 0;
    if (fd >= 0)
        ::close(fd);
    ::unlink(probe.c_str());
    return answers;
}

#define QM_SKIP_UNLESS_FIEMAP(folder)                                                                        \
    do {                                                                                                     \
        if (!answersFiemap(folder))                                                                          \
            GTEST_SKIP() << "the file system of " << (folder) << " does not answer FIEMAP (EOPNOTSUPP)";     \
    } while (false)

QString lstatKey(const Path& path)
{
    struct stat st;
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return FileId{quint64(st.st_dev), quint64(st.st_ino)}.toText();
}

TEST(ContentHashTest, DigestsEqualOpensslForEverySizeAndLimit)
{
    TempTree tree;
    const ContentHash hash;
    const std::vector<qint64> sizes{0, 1, 65'535, 65'536, 65'537, 3 * MiB + 1};
    const std::vector<std::optional<qint64>> limits{std::nullopt, 0, 65'536};
    unsigned seed = 1;
    for (const qint64 size : sizes) {
        const Path file = tree.fileWithContent("f" + std::to_string(size), randomBytes(size, seed++));
        for (const std::optional<qint64> limit : limits) {
            const std::string row =
                "size " + std::to_string(size) + ", limit " + (limit ? std::to_string(*limit) : "none");
            const QString expected = opensslSha256(file, limit);
            ASSERT_EQ(expected.size(), 64) << row << ": the oracle failed";
            const std::optional<std::string> digest = hash.sha256(file, limit);
            ASSERT_TRUE(digest.has_value()) << row;
            EXPECT_EQ(QString::fromStdString(*digest), expected) << row;
        }
    }
}

TEST(ContentHashTest, FifoGivesNothingWithoutBlocking)
{
    TempTree tree;
    const Path fifo = tree.fifo("pipe");
    const ContentHash hash;
    EXPECT_FALSE(hash.sha256(fifo, std::nullopt).has_value());
    EXPECT_FALSE(hash.sha256(fifo, 65'536).has_value());
    EXPECT_FALSE(hash.firstExtentOffset(fifo).has_value());
    // A link to the FIFO is followed for the extent key, and still neither blocks nor gives a key.
    EXPECT_FALSE(hash.firstExtentOffset(tree.symlink(fifo, "to-pipe")).has_value());
}

TEST(ContentHashTest, LinkIsNotHashedAndKeysItselfButExtentsOfItsTarget)
{
    TempTree tree;
    const Path target = tree.fileWithContent("target", randomBytes(200'000, 7));
    const Path link = tree.symlink(target, "link");
    const ContentHash hash;

    EXPECT_FALSE(hash.sha256(link, std::nullopt).has_value());
    EXPECT_FALSE(hash.sha256(link, 65'536).has_value());
    const std::optional<QString> linkKey = ContentHash::inodeKey(link);
    ASSERT_TRUE(linkKey.has_value());
    EXPECT_EQ(*linkKey, lstatKey(link));
    EXPECT_NE(*linkKey, lstatKey(target));
    EXPECT_FALSE(ContentHash::inodeKey(tree.path("missing")).has_value());

    QM_SKIP_UNLESS_FIEMAP(tree.root());
    syncFile(target);
    const std::optional<QString> targetExtent = hash.firstExtentOffset(target);
    ASSERT_TRUE(targetExtent.has_value());
    const std::optional<QString> linkExtent = hash.firstExtentOffset(link);
    ASSERT_TRUE(linkExtent.has_value());
    EXPECT_EQ(*linkExtent, *targetExtent);
}

TEST(ContentHashTest, InodeKeyWritesTheDeviceInFull)
{
    TempTree tree;
    const Path file = tree.file("f", 1);
    struct stat st;
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    EXPECT_EQ(ContentHash::inodeKey(file),
              QString::number(quint64(st.st_dev)) + QLatin1Char(':') + QString::number(quint64(st.st_ino)));
}

TEST(ContentHashTest, ExtentKeysTellHardLinksFromCopiesAndNeverUnwrittenData)
{
    TempTree tree;
    QM_SKIP_UNLESS_FIEMAP(tree.root());
    const QByteArray content = randomBytes(300'000, 11);
    const ContentHash hash;

    // Unsynced copies: their blocks have no place on the device yet (delayed allocation reports an
    // unknown physical 0), so they get no key and are never taken for clones of each other.
    const Path fresh1 = tree.fileWithContent("fresh1", content);
    const Path fresh2 = tree.fileWithContent("fresh2", content);
    const std::optional<QString> unsynced1 = hash.firstExtentOffset(fresh1);
    const std::optional<QString> unsynced2 = hash.firstExtentOffset(fresh2);
    EXPECT_FALSE(unsynced1 && unsynced2 && *unsynced1 == *unsynced2)
        << "two unwritten copies were given the same key " << unsynced1->toStdString();

    const Path a = tree.fileWithContent("a", content);
    const Path b = tree.fileWithContent("b", content);
    const Path a2 = tree.hardLink(a, "a2");
    syncFile(a);
    syncFile(b);
    const std::optional<QString> keyA = hash.firstExtentOffset(a);
    const std::optional<QString> keyB = hash.firstExtentOffset(b);
    const std::optional<QString> keyA2 = hash.firstExtentOffset(a2);
    ASSERT_TRUE(keyA.has_value());
    ASSERT_TRUE(keyB.has_value());
    ASSERT_TRUE(keyA2.has_value());
    EXPECT_NE(*keyA, *keyB);
    EXPECT_EQ(*keyA, *keyA2);
    struct stat st;
    ASSERT_EQ(::stat(a.c_str(), &st), 0);
    EXPECT_TRUE(keyA->startsWith(QString::number(quint64(st.st_dev)) + QLatin1Char(':')))
        << keyA->toStdString();

    // Nothing to place: an empty file and one that starts with a hole.
    EXPECT_FALSE(hash.firstExtentOffset(tree.file("empty", 0)).has_value());
    const Path holeFirst = tree.sparseFile("hole-first", 2 * MiB);
    {
        const int fd = ::open(holeFirst.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "tail", 4, MiB), 4);
        ::fsync(fd);
        ::close(fd);
    }
    EXPECT_FALSE(hash.firstExtentOffset(holeFirst).has_value());
}

TEST(ContentHashTest, TmpfsGivesNoExtentKey)
{
    TempTree tree;
    const test::ScratchMount mount = test::ScratchMount::tmpfs(tree.path("mnt"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(mount);
    const Path file = tree.fileWithContent("mnt/f", randomBytes(10'000, 3));
    syncFile(file);
    EXPECT_FALSE(ContentHash().firstExtentOffset(file).has_value());
}

bool runs(const char* program, std::vector<std::string> arguments)
{
    ProcessRequest request;
    request.program = program;
    request.arguments = std::move(arguments);
    const Result<ProcessOutcome> outcome = ProcessRunner().run(request);
    return outcome.ok() && outcome->succeeded();
}

// An xfs file system with reflink on a 400 MiB loop image (mkfs.xfs wants more than 300 MiB), detached again
// when it goes away. Needs root, loop devices and mkfs.xfs; `why` says what was missing when `mounted()` is
// false.
class XfsImage
{
public:
    explicit XfsImage(TempTree& tree) : m_at(tree.folder("xfs"))
    {
        const Path image = tree.sparseFile("xfs.img", 400ll << 20);
        if (::geteuid() != 0)
            m_why = "needs root";
        else if (::access("/dev/loop-control", F_OK) != 0)
            m_why = "needs loop devices";
        else if (::access("/usr/sbin/mkfs.xfs", X_OK) != 0)
            m_why = "needs mkfs.xfs (xfsprogs)";
        else if (!runs("/usr/sbin/mkfs.xfs", {"-q", "-m", "reflink=1", image.native()}))
            m_why = "mkfs.xfs failed";
        else if (!runs("/usr/bin/mount", {"-o", "loop", image.native(), m_at.native()}))
            m_why = "the loop mount was refused";
        else
            m_mounted = true;
    }
    ~XfsImage()
    {
        if (m_mounted)
            ::umount2(m_at.c_str(), MNT_DETACH);
    }
    XfsImage(const XfsImage&) = delete;
    XfsImage& operator=(const XfsImage&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& why() const { return m_why; }
    const Path& at() const { return m_at; }

private:
    Path m_at;
    bool m_mounted = false;
    std::string m_why;
};

TEST(ContentHashTest, ReflinkCloneOnXfsSharesItsOriginalsKey)
{
    TempTree tree;
    const XfsImage xfs(tree);
    if (!xfs.mounted())
        GTEST_SKIP() << "no xfs loop image: " << xfs.why();
    const QByteArray content = randomBytes(300'000, 21);
    const Path original = tree.fileWithContent(xfs.at() / "original", content);
    syncFile(original);
    const Path clone = xfs.at() / "clone";
    ASSERT_TRUE(runs("/usr/bin/cp", {"--reflink=always", original.native(), clone.native()}));
    // Written byte by byte, since a plain cp clones on xfs.
    const Path copy = tree.fileWithContent(xfs.at() / "copy", content);
    syncFile(clone);
    syncFile(copy);

    const ContentHash hash;
    const std::optional<QString> keyOriginal = hash.firstExtentOffset(original);
    const std::optional<QString> keyClone = hash.firstExtentOffset(clone);
    const std::optional<QString> keyCopy = hash.firstExtentOffset(copy);
    ASSERT_TRUE(keyOriginal.has_value());
    ASSERT_TRUE(keyClone.has_value());
    ASSERT_TRUE(keyCopy.has_value());
    EXPECT_EQ(*keyClone, *keyOriginal);
    EXPECT_NE(*keyCopy, *keyOriginal);
    EXPECT_NE(ContentHash::inodeKey(clone), ContentHash::inodeKey(original));
}

TEST(ContentHashTest, CancellationIsNoticedWithinOneChunk)
{
    TempTree tree;
    const Path big = tree.sparseFile("big", 1024 * MiB);
    const ContentHash hash;

    // Cancelled before the call: not one byte is read.
    {
        std::stop_source source;
        source.request_stop();
        const pid_t self = pid_t(::syscall(SYS_gettid));
        const qint64 before = threadReadBytes(self);
        EXPECT_FALSE(hash.sha256(big, std::nullopt, source.get_token()).has_value());
        // Reading the counter itself costs a little; a chunk of the file would add 1 MiB.
        EXPECT_LT(threadReadBytes(self) - before, ContentHash::kChunkBytes / 4);
    }

    // Cancelled while reading: at most the chunk in flight and the one begun as the stop came.
    std::stop_source source;
    std::atomic<pid_t> tid{0};
    std::atomic<bool> done{false};
    qint64 after = 0;
    std::optional<std::string> digest = std::string("not called");
    std::thread hasher([&] {
        const pid_t self = pid_t(::syscall(SYS_gettid));
        tid = self;
        digest = hash.sha256(big, std::nullopt, source.get_token());
        after = threadReadBytes(self);
        done = true;
    });
    while (tid == 0)
        std::this_thread::yield();
    qint64 atStop = 0;
    while (!done) {
        atStop = threadReadBytes(tid);
        if (atStop >= 3 * MiB)
            break;
    }
    source.request_stop();
    hasher.join();
    ASSERT_GE(atStop, 3 * MiB) << "the hash ended before it could be cancelled";
    EXPECT_FALSE(digest.has_value());
    EXPECT_LE(after - atStop, 2 * ContentHash::kChunkBytes) << "read on after the stop";
}

} // namespace
} // namespace qm
