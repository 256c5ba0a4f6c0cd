// The maintenance actions in this process, with run limits of one second: a command that hangs is
// stopped at the limit and the answer says so. The limits the installed helper uses come from the
// application's deadlines and holds (HelperActionTest); the bus tests cover joining runs.
#include "helper/MaintenanceActions.h"

#include "FakeTools.h"
#include "HelperReplyPrinting.h"
#include "support/TempTree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace qm {
namespace {

using HelperProtocol::HelperReply;
using namespace std::chrono_literals;

class MaintenanceActionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"sync", "resolvectl", "nscd", "run-parts"})
            writeTool(name, "exit 0");
        test::FakeTools::writeSystemdRun(tool("systemd-run"), log());
        m_tree.folder("root/run/systemd/system");
        for (const char* folder : {"etc/cron.daily", "etc/cron.weekly", "etc/cron.monthly"})
            m_tree.folder(folder);
        m_tree.fileWithContent("drop_caches", "");
    }

    fs::path tool(const std::string& name) const { return m_tree.path("tools/" + name); }
    fs::path log() const { return m_tree.path("calls.log"); }
    QStringList calls() const { return test::FakeTools::calls(log()); }
    void writeTool(const std::string& name, const std::string& body)
    {
        test::FakeTools::writeTool(tool(name), name, log(), body);
    }
    // A body that records the pid of the hung program, then waits far longer than any test.
    std::string hangs(const std::string& name) const
    {
        return "echo $$ > '" + m_tree.path(name + ".pid").native() + "'\nexec sleep 1000";
    }
    // Whether the program `name` started by `hangs` is still running (a zombie is not).
    bool stillRunning(const std::string& name) const
    {
        std::ifstream pidFile(m_tree.path(name + ".pid"));
        std::string pid;
        if (!(pidFile >> pid))
            return false;
        std::ifstream stat("/proc/" + pid + "/stat");
        std::string line;
        if (!std::getline(stat, line))
            return false;
        const std::size_t close = line.rfind(')');
        return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
    }

    HelperSettings settings() const
    {
        HelperSettings s;
        s.systemRoot = m_tree.path("root");
        s.syncProgram = tool("sync");
        s.dropCaches = m_tree.path("drop_caches");
        s.resolvectlProgram = tool("resolvectl");
        s.nscdProgram = tool("nscd");
        s.runPartsProgram = tool("run-parts");
        s.maintenanceFolders = {m_tree.path("etc/cron.daily"), m_tree.path("etc/cron.weekly"),
                                m_tree.path("etc/cron.monthly")};
        s.systemdRunProgram = tool("systemd-run");
        s.runLimits = {1s, 1s, 1s};
        return s;
    }

    // Performs `action` and waits for its answer, giving up (with a failure) long before a hung
    // command would end by itself.
    HelperReply perform(HelperAction action)
    {
        MaintenanceActions actions(settings(), std::make_shared<ProcessRunner>());
        auto answer = std::make_shared<std::promise<HelperReply>>();
        std::future<HelperReply> future = answer->get_future();
        actions.perform(action, [answer](const HelperReply& reply) { answer->set_value(reply); });
        if (future.wait_for(60s) != std::future_status::ready) {
            ADD_FAILURE() << "no answer within a minute";
            std::abort(); // the run would hold the test for the hung command's 1000 s
        }
        return future.get();
    }

    test::TempTree m_tree;
};

TEST_F(MaintenanceActionsTest, AHungCommandIsStoppedAtTheLimitAndTheAnswerSaysSo)
{
    const std::string daily = m_tree.path("etc/cron.daily").native();
    const std::string weekly = m_tree.path("etc/cron.weekly").native();
    const std::string runParts = tool("run-parts").native();
    const auto unit = [&](const char* name, const std::string& folder) {
        return QString::fromStdString(std::string("systemd-run --unit=quillmere-maintenance-") + name +
                                      " --wait --collect --quiet --property=RuntimeMaxSec=1 " + runParts +
                                      " " + folder);
    };
    struct Row
    {
        const char* what;
        HelperAction action;
        const char* hung;  // the fake that hangs
        const char* other; // another fake and its body, or nullptr
        const char* otherBody;
        HelperReply expected;
        QStringList expectedCalls;
    };
    const std::vector<Row> rows = {
        {"sync hangs", HelperAction::freeMemory, "sync", nullptr, nullptr,
         HelperReply{false, "drop_caches failed (9) (stopped after 1 s)"}, QStringList{"sync "}},
        // Nothing is left for the second step.
        {"the resolver hangs", HelperAction::flushDNS, "resolvectl", nullptr, nullptr,
         HelperReply{false, "Flush failed (stopped after 1 s)"}, QStringList{"resolvectl flush-caches"}},
        // The flush itself went through; only the second step was stopped.
        {"nscd hangs", HelperAction::flushDNS, "nscd", nullptr, nullptr,
         HelperReply{true, "DNS cache flushed (responder not re-signalled) (stopped after 1 s)"},
         QStringList{"resolvectl flush-caches", "nscd --invalidate=hosts"}},
        // The weekly scripts hang: the monthly ones are not started.
        {"a cron folder hangs", HelperAction::runMaintenance, "run-parts-weekly", "run-parts",
         "case \"$1\" in *weekly) exec \"$0-weekly\" \"$@\";; esac",
         HelperReply{false, "run-parts failed (9) (stopped after 1 s)"},
         QStringList{unit("daily", daily), QString::fromStdString("run-parts " + daily),
                     unit("weekly", weekly), QString::fromStdString("run-parts " + weekly),
                     QString::fromStdString("run-parts-weekly " + weekly)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(log());
        for (const char* name : {"sync", "resolvectl", "nscd", "run-parts"})
            writeTool(name, "exit 0");
        writeTool(row.hung, hangs(row.hung));
        if (row.other)
            writeTool(row.other, row.otherBody);

        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(perform(row.action), row.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
        EXPECT_EQ(calls(), row.expectedCalls);
        // Stopped means gone, not merely no longer waited for.
        ASSERT_TRUE(fs::exists(m_tree.path(std::string(row.hung) + ".pid"))) << "the hung command never ran";
        bool running = stillRunning(row.hung);
        for (int waited = 0; running && waited < 5000; waited += 50) {
            std::this_thread::sleep_for(50ms);
            running = stillRunning(row.hung);
        }
        EXPECT_FALSE(running);
    }
    // The cache was never dropped after a sync that did not finish.
    QFile control(QString::fromStdString(m_tree.path("drop_caches").native()));
    ASSERT_TRUE(control.open(QIODevice::ReadOnly));
    EXPECT_EQ(control.readAll(), QByteArray());
}

TEST_F(MaintenanceActionsTest, ARunWithinItsLimitAnswersAsUsual)
{
    EXPECT_EQ(perform(HelperAction::freeMemory), (HelperReply{true, "Page cache dropped"}));
    EXPECT_EQ(perform(HelperAction::flushDNS), (HelperReply{true, "DNS cache flushed"}));
    EXPECT_EQ(perform(HelperAction::runMaintenance), (HelperReply{true, "Maintenance scripts ran"}));
    // An unknown name is answered at once, on the calling thread.
    MaintenanceActions actions(settings(), std::make_shared<ProcessRunner>());
    std::optional<HelperReply> answer;
    actions.perform(QStringLiteral("purge"), [&answer](const HelperReply& reply) { answer = reply; });
    EXPECT_EQ(answer, (HelperReply{false, "Unknown action"}));
}

} // namespace
} // namespace qm
