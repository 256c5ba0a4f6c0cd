#include "helper/ClientCheck.h"

#include "support/TempTree.h"

#include <QProcess>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace qm {
namespace {

// A copy of /bin/sleep standing in for the installed application, running while the test lasts.
class RunningClient
{
public:
    explicit RunningClient(const fs::path& executable)
    {
        m_process.start(QString::fromStdString(executable.native()), {QStringLiteral("600")});
    }
    ~RunningClient()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool started() { return m_process.waitForStarted(); }
    pid_t pid() const { return static_cast<pid_t>(m_process.processId()); }

private:
    QProcess m_process;
};

TEST(ClientCheckTest, AdmitsOnlyTheTrustedFileWhileRootOwnsItAndNobodyElseMayWriteIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: only a root-owned executable is ever trusted";
    test::TempTree tree;
    const fs::path trusted = tree.path("bin/Quillmere");
    fs::create_directories(trusted.parent_path());
    fs::copy_file("/bin/sleep", trusted);
    tree.chmod(trusted, 0755);
    RunningClient client(trusted);
    ASSERT_TRUE(client.started());

    EXPECT_TRUE(ClientCheck::admitsProcess(client.pid(), trusted));
    EXPECT_FALSE(ClientCheck::admitsProcess(client.pid(), tree.path("bin/Other")));
    EXPECT_FALSE(ClientCheck::admitsProcess(client.pid(), tree.symlink(trusted, "bin/link")));
    EXPECT_FALSE(ClientCheck::admitsProcess(client.pid(), fs::path("/bin/sleep")));

    struct Mode
    {
        mode_t mode;
        bool admitted;
    };
    for (const Mode& row : {Mode{0755, true}, Mode{0700, true}, Mode{0775, false}, Mode{0757, false},
                            Mode{0777, false}, Mode{0555, true}}) {
        tree.chmod(trusted, row.mode);
        EXPECT_EQ(ClientCheck::admitsProcess(client.pid(), trusted), row.admitted) << std::oct << row.mode;
    }
    tree.chmod(trusted, 0755);
    tree.chown(trusted);
    EXPECT_FALSE(ClientCheck::admitsProcess(client.pid(), trusted)) << "owned by another user";
    tree.chown(trusted, 0, 0);
    EXPECT_TRUE(ClientCheck::admitsProcess(client.pid(), trusted));

    // The running file moved away and another put in its place: the process no longer runs the
    // trusted file.
    fs::rename(trusted, tree.path("bin/Quillmere.old"));
    fs::copy_file("/bin/sleep", trusted);
    EXPECT_FALSE(ClientCheck::admitsProcess(client.pid(), trusted));
    // Positive control: the same file under its new name is still what the process runs.
    EXPECT_TRUE(ClientCheck::admitsProcess(client.pid(), tree.path("bin/Quillmere.old")));
    fs::remove(tree.path("bin/Quillmere.old"));
    EXPECT_FALSE(ClientCheck::admitsProcess(client.pid(), tree.path("bin/Quillmere.old"))) << "deleted file";

    EXPECT_FALSE(ClientCheck::admitsProcess(0, trusted));
    EXPECT_FALSE(ClientCheck::admitsProcess(-1, trusted));
}

} // namespace
} // namespace qm
