#include "app/models/MacHealthViewModel.h"

#include "core/system/SystemStats.h"
#include "support/EventLoopWait.h"
#include "support/FakeClock.h"
#include "support/FakeHostStatistics.h"
#include "support/FixtureHome.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>

namespace qm {
namespace {

using test::drain;
using test::settle;

using Input = HealthAssessment::Input;
using Result = HealthAssessment::Result;
constexpr qint64 GB = 1'000'000'000;

// Holds the first caller after `arm` until `release`; every other call passes straight through.
class Latch
{
public:
    void arm()
    {
        std::lock_guard lock(m_mutex);
        m_armed = true;
    }
    void pass()
    {
        std::unique_lock lock(m_mutex);
        if (!m_armed)
            return;
        m_armed = false;
        m_blocked = true;
        m_changed.wait(lock, [this] { return m_open; });
    }
    bool blocked()
    {
        std::lock_guard lock(m_mutex);
        return m_blocked;
    }
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_armed = false;
    bool m_blocked = false;
    bool m_open = false;
};

// What the fake sources answer and what they were asked, shared between the test and the pool
// thread. Each source reads its answer when called; the launch folders then pass the latch.
struct Sources
{
    std::mutex mutex;
    MacHealth volume{500 * GB, 1000 * GB, 500 * GB};
    SystemSnapshot sample = SystemSnapshot::empty();
    BatteryInfo battery = BatteryInfo::unavailable();
    std::vector<LaunchAgent> agents;
    std::optional<Result> result; // none: the real rules
    // When set, samples are taken by the real statistics over these host counters instead.
    std::shared_ptr<test::FakeHostStatistics> host;
    std::vector<QString> calls;
    std::vector<bool> samplePreviousGiven;
    std::vector<std::optional<BatteryInfo>> batteryPrevious;
    std::vector<Input> inputs;
    Latch latch;

    template <typename Set> void set(Set change)
    {
        std::lock_guard lock(mutex);
        change(*this);
    }
};

LaunchAgent agent(const char* name, LaunchDomain domain)
{
    LaunchAgent a;
    a.url = Path("/x") / name;
    a.label = QString::fromUtf8(name);
    a.domain = domain;
    return a;
}

BatteryInfo batteryWith(std::optional<int> health, std::optional<int> charge,
                        BatteryCondition condition = BatteryCondition::normal, bool present = true)
{
    BatteryInfo info = BatteryInfo::unavailable();
    info.isPresent = present;
    info.healthPercent = health;
    info.chargePercent = charge;
    info.condition = condition;
    return info;
}

HealthRecommendation recommendation(const char* title, HealthSeverity severity,
                                    HealthTarget target = HealthTarget::none, const char* key = "")
{
    return HealthRecommendation{QString::fromUtf8(key),   QString::fromUtf8(title),
                                QStringLiteral("detail"), severity,
                                QStringLiteral("Act"),    target};
}

class MacHealthViewModelTest : public ::testing::Test
{
protected:
    MacHealthViewModelTest()
    {
        // A held refresh must never keep the next one from running.
        test::widenPool();
    }

    ~MacHealthViewModelTest() override
    {
        sources->latch.release();
        model.reset();
        drain();
    }

    // Every source from `sources`; the launch folders too unless `realLaunchFolders`, when the real
    // scanner reads the fixture home and system root.
    void make(bool realLaunchFolders = false)
    {
        MacHealthViewModel::Services services{clock, home.home(), system.root()};
        services.volume = [s = sources] {
            std::lock_guard lock(s->mutex);
            s->calls.push_back(QStringLiteral("volume"));
            return s->volume;
        };
        services.sample = [s = sources, c = &clock](const std::optional<SystemSnapshot>& previous) {
            std::lock_guard lock(s->mutex);
            s->calls.push_back(QStringLiteral("sample"));
            s->samplePreviousGiven.push_back(previous.has_value());
            if (!s->host)
                return s->sample;
            SystemStats::Sources real;
            real.host = s->host.get();
            real.clock = c;
            real.volume = [](const Path&) { return MacHealth{}; };
            return SystemStats::snapshot(previous, real);
        };
        services.battery = [s = sources](const std::optional<BatteryInfo>& previous) {
            std::lock_guard lock(s->mutex);
            s->calls.push_back(QStringLiteral("battery"));
            s->batteryPrevious.push_back(previous);
            return s->battery;
        };
        if (!realLaunchFolders) {
            services.launchAgents = [s = sources] {
                std::vector<LaunchAgent> agents;
                {
                    std::lock_guard lock(s->mutex);
                    s->calls.push_back(QStringLiteral("launchAgents"));
                    agents = s->agents;
                }
                s->latch.pass();
                return agents;
            };
        }
        services.evaluate = [s = sources](const Input& input) {
            std::lock_guard lock(s->mutex);
            s->inputs.push_back(input);
            return s->result ? *s->result : HealthAssessment::evaluate(input);
        };
        model = std::make_unique<MacHealthViewModel>(std::move(services));
    }

    // Refreshes and waits until that refresh has published its assessment.
    void refreshed()
    {
        QSignalSpy published(model.get(), &MacHealthViewModel::resultChanged);
        model->refresh();
        ASSERT_TRUE(settle([&] { return published.count() > 0; })) << "the refresh never published";
    }

    Input lastInput()
    {
        std::lock_guard lock(sources->mutex);
        return sources->inputs.empty() ? Input{} : sources->inputs.back();
    }

    test::FixtureHome home;
    test::TempTree system;
    test::FakeClock clock;
    std::shared_ptr<Sources> sources = std::make_shared<Sources>();
    std::unique_ptr<MacHealthViewModel> model;
};

TEST_F(MacHealthViewModelTest, BeforeTheFirstRefreshEverythingIsPendingOrUnknown)
{
    make();
    EXPECT_TRUE(model->isLoading());
    EXPECT_FALSE(model->result().has_value());
    EXPECT_EQ(model->displayRating(), QStringLiteral("Checking\u2026"));
    EXPECT_TRUE(model->visibleIssues().empty());
    EXPECT_EQ(model->displaySeverity(), HealthSeverity::good);
    EXPECT_EQ(model->storageSeverity(), HealthSeverity::unknown);
    EXPECT_EQ(model->memorySeverity(), HealthSeverity::unknown);
    EXPECT_EQ(model->batterySeverity(), HealthSeverity::unknown);
    EXPECT_EQ(model->batteryValue(), QStringLiteral("\u2014"));
    EXPECT_EQ(model->batteryCaption(), QStringLiteral("No battery"));
    EXPECT_EQ(model->snapshot(), SystemSnapshot::empty());
    EXPECT_EQ(model->battery(), BatteryInfo::unavailable());
    EXPECT_EQ(model->generation(), 0);
}

TEST_F(MacHealthViewModelTest, EachRefreshReadsItsSourcesInOrderWithoutAPreviousSample)
{
    sources->set([](Sources& s) {
        s.battery = batteryWith(87, 50);
        s.agents = {agent("a", LaunchDomain::userAgent), agent("b", LaunchDomain::systemAgent),
                    agent("c", LaunchDomain::userAgent), agent("d", LaunchDomain::systemDaemon)};
    });
    make();
    refreshed();
    const BatteryInfo firstPublished = model->battery();
    refreshed();

    const std::vector<QString> once{"volume", "sample", "battery", "launchAgents"};
    std::vector<QString> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(sources->calls, twice);
    EXPECT_EQ(sources->samplePreviousGiven, (std::vector<bool>{false, false}));
    // Each battery reading is given the one published before it.
    ASSERT_EQ(sources->batteryPrevious.size(), 2u);
    EXPECT_EQ(sources->batteryPrevious[0], BatteryInfo::unavailable());
    EXPECT_EQ(sources->batteryPrevious[1], firstPublished);
    EXPECT_EQ(model->loginItemCount(), 2) << "only the user's own agents count";
    EXPECT_EQ(lastInput().loginItemCount, 2);
    EXPECT_EQ(model->generation(), 2);
    EXPECT_FALSE(model->isLoading());
}

TEST_F(MacHealthViewModelTest, OfTwoRefreshesBackToBackOnlyTheSecondPublishes)
{
    make();
    QSignalSpy loading(model.get(), &MacHealthViewModel::isLoadingChanged);
    QSignalSpy published(model.get(), &MacHealthViewModel::resultChanged);
    sources->set([](Sources& s) {
        s.volume = MacHealth{100 * GB, 1000 * GB, 900 * GB};
        s.sample.uptime = 20 * 86'400;
        s.battery = batteryWith(60, 10);
        s.agents = {agent("first", LaunchDomain::userAgent)};
    });
    sources->latch.arm();
    model->refresh();
    ASSERT_TRUE(settle([&] { return sources->latch.blocked(); })) << "the first refresh never listed";
    EXPECT_TRUE(model->isLoading());

    sources->set([](Sources& s) {
        s.volume = MacHealth{200 * GB, 1000 * GB, 800 * GB};
        s.sample.uptime = 8 * 86'400;
        s.battery = batteryWith(90, 70);
        s.agents = {agent("second", LaunchDomain::userAgent), agent("third", LaunchDomain::userAgent)};
    });
    model->refresh();
    ASSERT_TRUE(settle([&] { return published.count() == 1; }));
    sources->latch.release();
    drain();

    EXPECT_EQ(published.count(), 1) << "the outdated refresh published";
    EXPECT_EQ(model->storage(), (MacHealth{200 * GB, 1000 * GB, 800 * GB}));
    EXPECT_EQ(model->snapshot().uptime, 8 * 86'400);
    EXPECT_EQ(model->battery().healthPercent, 90);
    EXPECT_EQ(model->loginItemCount(), 2);
    ASSERT_TRUE(model->result().has_value());
    EXPECT_EQ(model->result()->score, 100);
    EXPECT_FALSE(model->isLoading());
    EXPECT_EQ(loading.count(), 1) << "true from the start, false once";

    // A later refresh keeps the assessment on screen without a loading state.
    sources->latch.arm();
    model->refresh();
    EXPECT_FALSE(model->isLoading());
    sources->latch.release();
}

TEST_F(MacHealthViewModelTest, AVolumeThatCannotBeReadKeepsTheEarlierReading)
{
    make();
    refreshed();
    ASSERT_EQ(model->storage(), (MacHealth{500 * GB, 1000 * GB, 500 * GB}));
    sources->set([](Sources& s) { s.volume = MacHealth{}; });
    refreshed();
    EXPECT_EQ(model->storage(), (MacHealth{500 * GB, 1000 * GB, 500 * GB}));
    EXPECT_TRUE(lastInput().hasDisk);
    EXPECT_EQ(model->storageSeverity(), HealthSeverity::good);
}

TEST_F(MacHealthViewModelTest, WithoutAnyVolumeReadingTheDiskIsUnknown)
{
    sources->set([](Sources& s) { s.volume = MacHealth{}; });
    make();
    refreshed();
    EXPECT_EQ(model->storage(), MacHealth{});
    EXPECT_EQ(model->storageSeverity(), HealthSeverity::unknown);
    const Input input = lastInput();
    EXPECT_FALSE(input.hasDisk);
    EXPECT_EQ(input.diskUsedFraction, 0);
    EXPECT_EQ(input.diskFreeBytes, 0);
}

TEST_F(MacHealthViewModelTest, StorageSeverityAndDiskFacts)
{
    const struct
    {
        qint64 total;
        qint64 used;
        HealthSeverity severity;
        double fraction;
        qint64 free;
    } rows[] = {
        {1000 * GB, 850 * GB, HealthSeverity::warning, 0.85, 150 * GB},
        {1000 * GB, 905 * GB, HealthSeverity::critical, 0.905, 95 * GB},
        {1000 * GB, 799 * GB, HealthSeverity::good, 0.799, 201 * GB},
        // 86% used, but only 7 GB free.
        {50 * GB, 43 * GB, HealthSeverity::critical, 0.86, 7 * GB},
        // Exactly 8 GB free at 84% used: not below 8.
        {50 * GB, 42 * GB, HealthSeverity::warning, 0.84, 8 * GB},
        // A used figure above the total frees nothing.
        {10 * GB, 11 * GB, HealthSeverity::critical, 1.1, 0},
        // 70% in use, but 25 GB of the rest kept for root: only 5 GB free to the user.
        {100 * GB, 70 * GB, HealthSeverity::critical, 0.7, 5 * GB},
    };
    make();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.used);
        sources->set([&](Sources& s) { s.volume = MacHealth{row.used, row.total, row.free}; });
        refreshed();
        EXPECT_EQ(model->storageSeverity(), row.severity);
        const Input input = lastInput();
        EXPECT_TRUE(input.hasDisk);
        EXPECT_DOUBLE_EQ(input.diskUsedFraction, row.fraction);
        EXPECT_EQ(input.diskFreeBytes, row.free);
    }
}

TEST_F(MacHealthViewModelTest, MemorySeverityAndFacts)
{
    const struct
    {
        const char* what;
        qint64 total;
        std::optional<qint64> used;
        HealthSeverity severity;
        double fraction;
    } rows[] = {
        {"used above total", 8 * GB, 9 * GB, HealthSeverity::warning, 1.0},
        {"exactly 90%", 10 * GB, 9 * GB, HealthSeverity::warning, 0.9},
        {"half", 8 * GB, 4 * GB, HealthSeverity::good, 0.5},
        {"no total", 0, 4 * GB, HealthSeverity::good, 0.0},
        {"not measured", 8 * GB, std::nullopt, HealthSeverity::unknown, 0.0},
    };
    make();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        sources->set([&](Sources& s) {
            s.sample.totalRAM = row.total;
            s.sample.usedRAM = row.used;
        });
        refreshed();
        EXPECT_EQ(model->memorySeverity(), row.severity);
        const Input input = lastInput();
        EXPECT_EQ(input.hasMemory, row.used.has_value());
        EXPECT_DOUBLE_EQ(input.memoryUsedFraction, row.fraction);
    }
}

TEST_F(MacHealthViewModelTest, StorageMemoryAndUptimeTexts)
{
    constexpr qint64 GiB = 1024LL * 1024 * 1024;
    const struct
    {
        const char* what;
        MacHealth volume;
        qint64 totalRAM;
        std::optional<qint64> usedRAM;
        const char* storageValue;
        const char* storageCaption;
        const char* memoryValue;
        const char* memoryCaption;
    } rows[] = {
        // 62.5% rounds half away from zero; memory sizes count 1024 bytes to the kilobyte.
        {"typical", MacHealth{.usedBytes = 625 * GB, .totalBytes = 1000 * GB}, 16 * GiB, 8 * GiB + GiB / 2,
         "63%", "625 GB of 1 TB", "53%", "8.5 GB of 16 GB"},
        {"no volume, no memory figure", MacHealth{.usedBytes = 0, .totalBytes = 0}, 0, std::nullopt, "\u2014",
         "Couldn't read disk", "\u2014", "\u2014 of \u2014"},
        {"used memory above the total, nothing used on disk",
         MacHealth{.usedBytes = 0, .totalBytes = 500 * GB}, 8 * GiB, 9 * GiB, "0%", "0 KB of 500 GB", "100%",
         "9 GB of 8 GB"},
        {"memory used without a total", MacHealth{.usedBytes = 1, .totalBytes = 3}, 0, 2 * GiB, "33%",
         "1 byte of 3 bytes", "0%", "2 GB of \u2014"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        // A fresh model each time, so an unreadable volume shows as such.
        model.reset();
        sources->set([&](Sources& s) {
            s.volume = row.volume;
            s.sample.totalRAM = row.totalRAM;
            s.sample.usedRAM = row.usedRAM;
            s.sample.uptime = 3 * 86'400 + 4 * 3600 + 59;
            s.sample.osVersion = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
        });
        make();
        refreshed();
        EXPECT_EQ(model->storageValue(), QString::fromUtf8(row.storageValue));
        EXPECT_EQ(model->storageCaption(), QString::fromUtf8(row.storageCaption));
        EXPECT_EQ(model->memoryValue(), QString::fromUtf8(row.memoryValue));
        EXPECT_EQ(model->memoryCaption(), QString::fromUtf8(row.memoryCaption));
        EXPECT_EQ(model->uptimeText(), QStringLiteral("Up 3d 4h \u00b7 Debian GNU/Linux 12 (bookworm)"));
    }
}

TEST_F(MacHealthViewModelTest, BatterySeverityTextsAndFacts)
{
    using C = BatteryCondition;
    const struct
    {
        const char* what;
        BatteryInfo reading;
        HealthSeverity severity;
        const char* value;
        const char* caption;
        std::optional<int> inputHealth;
        bool inputService;
    } rows[] = {
        {"health 69", batteryWith(69, 40), HealthSeverity::critical, "69%", "maximum capacity", 69, false},
        {"health 70", batteryWith(70, 40), HealthSeverity::warning, "70%", "maximum capacity", 70, false},
        {"health 79", batteryWith(79, 40), HealthSeverity::warning, "79%", "maximum capacity", 79, false},
        {"health 80", batteryWith(80, 40), HealthSeverity::good, "80%", "maximum capacity", 80, false},
        {"health 95 with service", batteryWith(95, 40, C::serviceRecommended), HealthSeverity::warning, "95%",
         "maximum capacity", 95, true},
        {"charge only with service", batteryWith(std::nullopt, 64, C::serviceRecommended),
         HealthSeverity::warning, "64%", "charge", std::nullopt, true},
        {"charge only", batteryWith(std::nullopt, 64), HealthSeverity::unknown, "64%", "charge", std::nullopt,
         false},
        {"neither", batteryWith(std::nullopt, std::nullopt), HealthSeverity::unknown, "\u2014", "unavailable",
         std::nullopt, false},
        {"no battery", batteryWith(60, 40, C::serviceRecommended, false), HealthSeverity::unknown, "\u2014",
         "No battery", std::nullopt, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        // A fresh model each time: nothing of an earlier reading is carried over.
        model.reset();
        sources->set([&](Sources& s) { s.battery = row.reading; });
        make();
        refreshed();
        EXPECT_EQ(model->batterySeverity(), row.severity);
        EXPECT_EQ(model->batteryValue(), QString::fromUtf8(row.value));
        EXPECT_EQ(model->batteryCaption(), QString::fromUtf8(row.caption));
        const Input input = lastInput();
        EXPECT_EQ(input.batteryHealthPercent, row.inputHealth);
        EXPECT_EQ(input.batteryServiceRecommended, row.inputService);
    }
}

TEST_F(MacHealthViewModelTest, AFailedBatteryReadingIsCoalescedOverThePublishedOne)
{
    make();
    sources->set([](Sources& s) { s.battery = batteryWith(87, 55); });
    refreshed();
    const BatteryInfo first = model->battery();
    ASSERT_TRUE(first.isPresent);

    sources->set([](Sources& s) { s.battery = BatteryInfo::unavailable(); });
    refreshed();
    EXPECT_TRUE(model->battery().isPresent) << "one failed reading keeps the battery";
    EXPECT_EQ(model->battery().healthPercent, 87);
    EXPECT_EQ(model->battery().missStreak, 1);
    EXPECT_EQ(model->battery(), BatteryInfo::unavailable().coalesced(first));
    EXPECT_EQ(model->batteryValue(), QStringLiteral("87%"));
    EXPECT_EQ(lastInput().batteryHealthPercent, 87);
}

TEST_F(MacHealthViewModelTest, UptimeCountsWholeDays)
{
    sources->set([](Sources& s) { s.sample.uptime = 1'209'599; });
    make();
    refreshed();
    EXPECT_EQ(lastInput().uptimeDays, 13);
    ASSERT_TRUE(model->result().has_value());
    EXPECT_EQ(model->result()->recommendations.front().id(), QStringLiteral("Consider a restart#1"));

    // Readings no clock gives still convert without overflow.
    const struct
    {
        double seconds;
        int days;
    } rows[] = {{1e300, std::numeric_limits<int>::max()}, {std::nan(""), 0}, {86'399.9, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seconds);
        sources->set([&](Sources& s) { s.sample.uptime = row.seconds; });
        refreshed();
        EXPECT_EQ(lastInput().uptimeDays, row.days);
    }
}

TEST_F(MacHealthViewModelTest, TheRatingFollowsTheScoreAndTheVisibleIssues)
{
    const HealthRecommendation allClear = recommendation("Everything looks great", HealthSeverity::good);
    const HealthRecommendation warning = recommendation("Memory is under pressure", HealthSeverity::warning);
    const HealthRecommendation critical = recommendation("Disk is almost full", HealthSeverity::critical);
    const struct
    {
        Result result;
        const char* rating;
        HealthSeverity severity;
    } rows[] = {
        {{100, {allClear}}, "Excellent", HealthSeverity::good},
        {{85, {allClear}}, "Excellent", HealthSeverity::good},
        {{84, {allClear}}, "Good", HealthSeverity::good},
        {{70, {allClear}}, "Good", HealthSeverity::good},
        {{69, {allClear}}, "Fair", HealthSeverity::good},
        {{50, {allClear}}, "Fair", HealthSeverity::good},
        {{49, {allClear}}, "Needs attention", HealthSeverity::good},
        {{92, {warning}}, "Fair", HealthSeverity::warning},
        {{50, {warning}}, "Fair", HealthSeverity::warning},
        {{45, {warning}}, "Needs attention", HealthSeverity::warning},
        {{92, {critical, warning}}, "Needs attention", HealthSeverity::critical},
        {{100, {}}, "Excellent", HealthSeverity::good},
    };
    make();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rating);
        SCOPED_TRACE(row.result.score);
        sources->set([&](Sources& s) { s.result = row.result; });
        refreshed();
        EXPECT_EQ(model->displayRating(), QString::fromUtf8(row.rating));
        EXPECT_EQ(model->displaySeverity(), row.severity);
        EXPECT_EQ(model->displaySeverityRaw(), HealthSeverities::toRaw(row.severity));
    }
}

TEST_F(MacHealthViewModelTest, DismissingEveryVisibleIssueLeavesTheResultAndRatesByScore)
{
    const Result result{
        65,
        {recommendation("Disk is almost full", HealthSeverity::critical, HealthTarget::cleanup),
         recommendation("Time to restart", HealthSeverity::warning, HealthTarget::none, "2"),
         recommendation("Open files", HealthSeverity::warning, HealthTarget::files),
         recommendation("Several startup items", HealthSeverity::good, HealthTarget::performance)}};
    sources->set([&](Sources& s) { s.result = result; });
    make();
    refreshed();
    QSignalSpy issues(model.get(), &MacHealthViewModel::issuesChanged);
    ASSERT_EQ(model->visibleIssues().size(), 3u);
    EXPECT_EQ(model->displayRating(), QStringLiteral("Needs attention"));

    // What the page's cards read.
    const QVariantList cards = model->visibleIssueList();
    ASSERT_EQ(cards.size(), 3);
    const QVariantMap restart = cards[1].toMap();
    EXPECT_EQ(restart.value("id"), QStringLiteral("Time to restart#2"));
    EXPECT_EQ(restart.value("title"), QStringLiteral("Time to restart"));
    EXPECT_EQ(restart.value("detail"), QStringLiteral("detail"));
    EXPECT_EQ(restart.value("severity"), 2);
    EXPECT_EQ(restart.value("actionLabel"), QStringLiteral("Act"));
    EXPECT_EQ(restart.value("target"), QStringLiteral("none"));
    EXPECT_EQ(cards[2].toMap().value("target"), QStringLiteral("files"));
    EXPECT_EQ(model->recommendationList().size(), 4);

    model->dismiss(QStringLiteral("Disk is almost full"));
    model->dismiss(QStringLiteral("Time to restart")); // not the reminder's id: nothing changes
    EXPECT_EQ(model->visibleIssues().size(), 2u);
    EXPECT_EQ(model->displaySeverity(), HealthSeverity::warning);
    EXPECT_EQ(model->displayRating(), QStringLiteral("Fair"));
    model->dismiss(QStringLiteral("Time to restart#2"));
    model->dismiss(QStringLiteral("Open files"));
    model->dismiss(QStringLiteral("Open files"));
    EXPECT_TRUE(model->visibleIssues().empty());
    EXPECT_EQ(model->displaySeverity(), HealthSeverity::good);
    EXPECT_EQ(model->displayRating(), QStringLiteral("Fair")) << "65 by the score alone";
    EXPECT_EQ(model->result(), result);
    EXPECT_EQ(model->dismissedList(),
              (QStringList{"Disk is almost full", "Open files", "Time to restart", "Time to restart#2"}));
    EXPECT_EQ(issues.count(), 4) << "one per new id";

    // A refresh keeps the dismissals; emptying them brings every issue back.
    refreshed();
    EXPECT_TRUE(model->visibleIssues().empty());
    model->clearDismissed();
    EXPECT_EQ(model->visibleIssues().size(), 3u);
    EXPECT_TRUE(model->dismissedList().isEmpty());
}

TEST_F(MacHealthViewModelTest, TheRealScannerCountsOnlyTheUsersFolderAndSamplesCarryNoProcessorUsage)
{
    const auto entry = [](const char* name) {
        return QByteArray("[Desktop Entry]\nName=") + name + "\nExec=/usr/bin/" + name + "\n";
    };
    // The user's two login items: an autostart entry and an enabled unit.
    const Path user = home.configHome();
    home.fileWithContent(user / "autostart/one.desktop", entry("one"));
    const Path unit =
        home.fileWithContent(user / "systemd/user/two.service", "[Service]\nExecStart=/usr/bin/two\n");
    home.symlink(unit, user / "systemd/user/default.target.wants/two.service");
    home.fileWithContent(user / "autostart/broken.desktop", "not an entry");
    home.fifo(user / "autostart/x.desktop");
    system.fileWithContent("etc/xdg/autostart/agent.desktop", entry("agent"));
    const Path daemon =
        system.fileWithContent("usr/lib/systemd/system/d1.service", "[Service]\nExecStart=/d1\n");
    system.symlink(daemon, "etc/systemd/system/multi-user.target.wants/d1.service");

    // The sample comes from the real statistics over host counters that move between refreshes:
    // without a previous sample, no processor usage ever appears.
    auto host = std::make_shared<test::FakeHostStatistics>();
    host->ticks = HostCpuTicks{100, 800};
    host->used = 2 * GB;
    host->physical = 8 * GB;
    sources->set([&](Sources& s) { s.host = host; });
    make(true);
    refreshed();
    EXPECT_EQ(model->snapshot().usedRAM, 2 * GB);
    EXPECT_FALSE(model->snapshot().cpuUsage.has_value());
    host->ticks = HostCpuTicks{500, 1200};
    clock.advance(std::chrono::seconds(5));
    refreshed();
    EXPECT_TRUE(model->snapshot().cpuTicks.has_value());
    EXPECT_FALSE(model->snapshot().cpuUsage.has_value()) << "the second sample was taken after the first";

    EXPECT_EQ(model->loginItemCount(), 2) << "a malformed file and a FIFO in the user's folder do not count";
    EXPECT_EQ(lastInput().loginItemCount, 2);
}

} // namespace
} // namespace qm
