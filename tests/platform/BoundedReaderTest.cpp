#include "platform/BoundedReader.h"

#include "platform/UniqueFd.h"
#include "support/TempTree.h"

#include <QByteArray>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace qm {
namespace {

QByteArray pattern(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 31 + 7) % 251);
    }
    return bytes;
}

struct SizeCase
{
    const char* name;
    qint64 size;
    qint64 cap;
    int expectedErrno; // 0: the whole content comes back
};

TEST(BoundedReaderTest, ReadsRegularFilesUpToTheCap)
{
    const SizeCase cases[] = {
        {"small file", 100, 1000, 0},
        {"exactly the cap", 1000, 1000, 0},
        {"one byte over the cap", 1001, 1000, EFBIG},
        {"far over the cap", 300000, 1000, EFBIG},
        {"empty file, zero cap", 0, 0, 0},
        {"empty file", 0, 10, 0},
        {"one byte, zero cap", 1, 0, EFBIG},
        {"larger than one read chunk", 300000, 300000, 0},
    };
    test::TempTree tree;
    for (const SizeCase& c : cases) {
        const QByteArray content = pattern(c.size);
        const fs::path path = tree.fileWithContent(c.name, content);
        const Result<QByteArray> read = readBounded(path, c.cap);
        if (c.expectedErrno == 0) {
            ASSERT_TRUE(read.ok()) << c.name << ": " << read.error().description().toStdString();
            EXPECT_EQ(*read, content) << c.name;
        } else {
            ASSERT_FALSE(read.ok()) << c.name;
            EXPECT_TRUE(read.error().isPosix(c.expectedErrno)) << c.name << ": " << read.error().code();
        }
    }
}

TEST(BoundedReaderTest, NamesThatAreNotUtf8StillNameTheSameFile)
{
    test::TempTree tree;
    const fs::path path = tree.fileWithContent(test::TempTree::nonUtf8Name(), "raw bytes");
    const Result<QByteArray> read = readBounded(path, 100);
    ASSERT_TRUE(read.ok()) << read.error().description().toStdString();
    EXPECT_EQ(*read, QByteArray("raw bytes"));
}

// Files in /proc report a size of 0 and only reveal their length by being read, which is also how
// a file that grows after the size check is caught.
TEST(BoundedReaderTest, ContentBeyondTheReportedSizeCountsAgainstTheCap)
{
    const Result<QByteArray> whole = readBounded("/proc/self/status", 1024 * 1024);
    ASSERT_TRUE(whole.ok()) << whole.error().description().toStdString();
    EXPECT_TRUE(whole->startsWith("Name:")) << whole->left(40).toStdString();

    const Result<QByteArray> capped = readBounded("/proc/self/status", 10);
    ASSERT_FALSE(capped.ok());
    EXPECT_TRUE(capped.error().isPosix(EFBIG)) << capped.error().code();
}

UniqueFd listeningSocket(const fs::path& path)
{
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    if (!fd || ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd.get(), 1) != 0) {
        return UniqueFd();
    }
    return fd;
}

constexpr qint64 kHangingTestCap = 1024 * 1024;

// Runs the read (of at most kHangingTestCap bytes, through a final link when `followLinks`) on its own
// thread so that a regression that blocks fails the test instead of hanging it. The thread is left
// behind in that case.
Result<QByteArray> readWithoutHanging(const fs::path& path, bool* returned, bool followLinks = false)
{
    auto task = std::make_shared<std::packaged_task<Result<QByteArray>()>>([path, followLinks] {
        return followLinks ? readBoundedFollowingLinks(path, kHangingTestCap)
                           : readBounded(path, kHangingTestCap);
    });
    std::future<Result<QByteArray>> future = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    *returned = future.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    return *returned ? future.get() : Result<QByteArray>(Error::posix(ETIMEDOUT));
}

// Only a regular file is read, and nothing else blocks: the plain read refuses a final link, the
// following read goes through links to a regular file and refuses whatever else they end at.
TEST(BoundedReaderTest, RefusesEverythingButRegularFilesWithoutBlocking)
{
    test::TempTree tree;
    const fs::path target = tree.fileWithContent("elsewhere/target", "secret");
    const fs::path large = tree.fileWithContent("large", QByteArray(1024 * 1024 + 1, 'x'));
    const fs::path socketPath = tree.path("socket");
    const UniqueFd socket = listeningSocket(socketPath);
    ASSERT_TRUE(socket.valid()) << std::strerror(errno);
    const fs::path link = tree.symlink(target, "link");

    struct Case
    {
        const char* name;
        fs::path path;
        bool followLinks;
        int expectedErrno; // 0: "secret" comes back
    };
    const Case cases[] = {
        {"a regular file", target, false, 0},
        {"FIFO without a writer", tree.fifo("fifo"), false, EINVAL},
        {"symbolic link to a regular file", link, false, ELOOP},
        {"folder", tree.folder("folder"), false, EISDIR},
        {"missing file", tree.path("missing"), false, ENOENT},
        {"character device", "/dev/zero", false, EINVAL},
        {"socket", socketPath, false, ENXIO},
        {"followed: a regular file", target, true, 0},
        {"followed: a link to it", link, true, 0},
        {"followed: a relative link to it", tree.symlink("elsewhere/target", "relative"), true, 0},
        {"followed: a link to that link", tree.symlink(link, "chain"), true, 0},
        {"followed: a link to a FIFO", tree.symlink(tree.path("fifo"), "to-fifo"), true, EINVAL},
        {"followed: a link to a folder", tree.symlink(tree.path("folder"), "to-folder"), true, EISDIR},
        {"followed: a link to a device", tree.symlink("/dev/zero", "to-device"), true, EINVAL},
        {"followed: a link to a socket", tree.symlink(socketPath, "to-socket"), true, ENXIO},
        {"followed: a link to a file over the cap", tree.symlink(large, "to-large"), true, EFBIG},
        {"followed: a dangling link", tree.symlink(tree.path("missing"), "dangling"), true, ENOENT},
        {"followed: a link to itself", tree.symlink(tree.path("loop"), "loop"), true, ELOOP},
    };
    for (const Case& c : cases) {
        bool returned = false;
        const Result<QByteArray> read = readWithoutHanging(c.path, &returned, c.followLinks);
        ASSERT_TRUE(returned) << c.name << ": the read blocked";
        if (c.expectedErrno == 0) {
            ASSERT_TRUE(read.ok()) << c.name << ": " << read.error().description().toStdString();
            EXPECT_EQ(*read, QByteArray("secret")) << c.name;
            continue;
        }
        ASSERT_FALSE(read.ok()) << c.name;
        EXPECT_TRUE(read.error().isPosix(c.expectedErrno))
            << c.name << ": " << read.error().code() << " " << read.error().description().toStdString();
    }
}

// Whether the thread `tid` of this process is inside open() (or openat()), by the system call the
// kernel reports for it; nothing when the kernel does not report system calls.
std::optional<bool> insideOpen(pid_t tid)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/syscall");
    long number = -1;
    if (!(in >> number))
        return std::nullopt;
    return number == SYS_openat || number == SYS_open;
}

// A FIFO named like a property list, with a writer waiting in open() for a reader: opening the FIFO for
// reading, even without blocking, would let that writer through (as any device's open routine would
// run). The reader must turn it away by its type alone, and the writer must still be waiting.
TEST(BoundedReaderTest, AFifoIsRefusedWithoutEverBeingOpenedForReading)
{
    test::TempTree tree;
    const fs::path fifo = tree.fifo("x.plist");
    std::atomic<pid_t> writerTid{0};
    std::atomic<bool> writerThrough{false};
    std::thread writer([&] {
        writerTid = ::gettid();
        const UniqueFd fd(::open(fifo.c_str(), O_WRONLY | O_CLOEXEC));
        writerThrough = true;
    });
    // Until the writer is blocked in open(); where the kernel does not say, a pause stands in.
    bool blocked = false;
    for (int waited = 0; waited < 20'000 && !blocked; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const pid_t tid = writerTid;
        if (tid == 0)
            continue;
        const std::optional<bool> inside = insideOpen(tid);
        if (!inside) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            blocked = true;
        } else {
            blocked = *inside;
        }
    }

    bool returned = false;
    const Result<QByteArray> read = readWithoutHanging(fifo, &returned);
    // Time for a writer that was let through to get out of open().
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const bool stillWaiting = !writerThrough;
    // Let the writer go, whatever happened.
    {
        const UniqueFd reader(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        writer.join();
    }

    ASSERT_TRUE(blocked) << "the writer never reached open()";
    ASSERT_TRUE(returned) << "the read blocked";
    ASSERT_FALSE(read.ok());
    EXPECT_TRUE(read.error().isPosix(EINVAL)) << read.error().code();
    EXPECT_TRUE(stillWaiting) << "the reader opened the FIFO, which let the writer through";
}

TEST(BoundedReaderTest, NegativeCapIsRefused)
{
    test::TempTree tree;
    const Result<QByteArray> read = readBounded(tree.fileWithContent("file", "x"), -1);
    ASSERT_FALSE(read.ok());
    EXPECT_TRUE(read.error().isPosix(EINVAL));
}

// A prefix read takes the first bytes of a file however long it is (or has become), and only what is
// there when it is shorter; a whole read into a fixed buffer fails exactly as the growing read does.
TEST(BoundedReaderTest, PrefixAndFixedBufferReadsAtTheirCaps)
{
    struct Case
    {
        const char* name;
        qint64 size;
        qint64 cap;
        ReadExtent extent;
        qint64 expectedBytes; // -1: EFBIG
    };
    const Case cases[] = {
        {"prefix of a longer file", 70'000, 4096, ReadExtent::prefix, 4096},
        {"prefix of a shorter file", 100, 4096, ReadExtent::prefix, 100},
        {"prefix, exactly the cap", 4096, 4096, ReadExtent::prefix, 4096},
        {"prefix, zero cap", 10, 0, ReadExtent::prefix, 0},
        {"whole, exactly the cap", 4096, 4096, ReadExtent::whole, 4096},
        {"whole, one byte over", 4097, 4096, ReadExtent::whole, -1},
        {"whole, empty", 0, 4096, ReadExtent::whole, 0},
    };
    test::TempTree tree;
    for (const Case& c : cases) {
        const QByteArray content = pattern(c.size);
        const fs::path path = tree.fileWithContent(c.name, content);

        const Result<QByteArray> read = readBounded(path, c.cap, c.extent);
        std::vector<char> buffer(static_cast<std::size_t>(c.cap));
        const Result<qsizetype> into = readBoundedInto(path, buffer, c.extent);
        if (c.expectedBytes < 0) {
            ASSERT_FALSE(read.ok()) << c.name;
            EXPECT_TRUE(read.error().isPosix(EFBIG)) << c.name << ": " << read.error().code();
            ASSERT_FALSE(into.ok()) << c.name;
            EXPECT_TRUE(into.error().isPosix(EFBIG)) << c.name << ": " << into.error().code();
            continue;
        }
        ASSERT_TRUE(read.ok()) << c.name << ": " << read.error().description().toStdString();
        EXPECT_EQ(*read, content.left(c.expectedBytes)) << c.name;
        ASSERT_TRUE(into.ok()) << c.name << ": " << into.error().description().toStdString();
        ASSERT_EQ(*into, c.expectedBytes) << c.name;
        EXPECT_EQ(QByteArray(buffer.data(), *into), content.left(c.expectedBytes)) << c.name;
    }
}

// /proc reports a size of 0: a fixed buffer too small for the content fails a whole read and gives the
// start of the file to a prefix read.
TEST(BoundedReaderTest, FixedBufferOnAProcFile)
{
    std::array<char, 16> small{};
    const Result<qsizetype> whole = readBoundedInto("/proc/self/status", small);
    ASSERT_FALSE(whole.ok());
    EXPECT_TRUE(whole.error().isPosix(EFBIG)) << whole.error().code();

    const Result<qsizetype> prefix = readBoundedInto("/proc/self/status", small, ReadExtent::prefix);
    ASSERT_TRUE(prefix.ok()) << prefix.error().description().toStdString();
    EXPECT_EQ(*prefix, 16);
    EXPECT_EQ(QByteArray(small.data(), 5), QByteArray("Name:"));

    std::array<char, 64 * 1024> large{};
    const Result<qsizetype> fits = readBoundedInto("/proc/self/status", large);
    ASSERT_TRUE(fits.ok()) << fits.error().description().toStdString();
    EXPECT_GT(*fits, 16);
    EXPECT_LT(*fits, qsizetype(large.size()));
}

TEST(BoundedReaderTest, FixedBufferRefusesAFifoWithoutBlocking)
{
    test::TempTree tree;
    const fs::path fifo = tree.fifo("capacity");
    auto task = std::make_shared<std::packaged_task<Result<qsizetype>()>>([fifo] {
        std::array<char, 4096> buffer{};
        return readBoundedInto(fifo, buffer, ReadExtent::prefix);
    });
    std::future<Result<qsizetype>> future = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the read blocked";
    const Result<qsizetype> read = future.get();
    ASSERT_FALSE(read.ok());
    EXPECT_TRUE(read.error().isPosix(EINVAL)) << read.error().code();
}

} // namespace
} // namespace qm
