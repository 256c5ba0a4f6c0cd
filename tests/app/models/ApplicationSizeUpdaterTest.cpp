#include "app/models/ApplicationSizeUpdater.h"

#include "support/EventLoopWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::settle;

InstalledApp listed(const char* path)
{
    InstalledApp app;
    app.url = Path(path);
    return app;
}

// Runs `before` once, just before the next queued call on the application object is delivered.
class BeforeNextQueuedCall : public QObject
{
public:
    explicit BeforeNextQueuedCall(std::function<void()> before) : m_before(std::move(before))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~BeforeNextQueuedCall() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_before && watched == QCoreApplication::instance() && event->type() == QEvent::MetaCall)
            std::exchange(m_before, nullptr)();
        return false;
    }

private:
    std::function<void()> m_before;
};

// A run replaced while its batch is already on its way to the GUI thread never hands that batch over:
// the model's generation would drop it too, but a batch of one listing must not depend on that.
TEST(ApplicationSizeUpdaterTest, AReplacedRunsQueuedBatchNeverLands)
{
    ApplicationSizeUpdater updater(
        [](const InstalledApp& app, std::stop_token) { return qint64(app.id().size()); }, 1);
    std::vector<std::string> landed; // "<run>:<application>" per size taken
    const auto take = [&](const char* run) {
        return [&landed, run](const AppInventory::Sizes& batch) {
            for (const auto& [id, bytes] : batch)
                landed.push_back(std::string(run) + ":" + id);
        };
    };

    // The old run's first batch is queued; the new run starts before it is delivered.
    BeforeNextQueuedCall replace([&] { updater.start({listed("/b")}, take("new")); });
    updater.start({listed("/a"), listed("/c")}, take("old"));
    ASSERT_TRUE(settle([&] { return !updater.running() && !landed.empty(); }));
    test::drain();

    EXPECT_EQ(landed, (std::vector<std::string>{"new:/b"}));
}

// Waiting for the thread pool on the GUI thread while a batch is on its way returns at once: no sizing
// job waits for the GUI thread to take its batch (the shell's tests wait so at every ending, and hung
// there). The batches then land in order once the GUI thread runs its events.
TEST(ApplicationSizeUpdaterTest, WaitingForThePoolOnTheGuiThreadNeverWaitsForABatch)
{
    ApplicationSizeUpdater updater(
        [](const InstalledApp& app, std::stop_token) { return qint64(app.id().size()); }, 1);
    std::vector<std::string> landed;
    updater.start({listed("/a"), listed("/b"), listed("/c")}, [&](const AppInventory::Sizes& batch) {
        for (const auto& [id, bytes] : batch)
            landed.push_back(id);
    });
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
    EXPECT_TRUE(landed.empty());
    EXPECT_TRUE(updater.running()) << "the first batch is still on its way";

    ASSERT_TRUE(settle([&] { return !updater.running(); }));
    EXPECT_EQ(landed, (std::vector<std::string>{"/a", "/b", "/c"}));
}

} // namespace
} // namespace qm
