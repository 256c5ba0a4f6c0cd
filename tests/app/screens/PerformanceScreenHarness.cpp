#include "PerformanceScreenHarness.h"

#include "core/helper/HelperConnection.h"

#include <QFile>
#include <QSettings>

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// A unit file whose service runs `exec`.
QByteArray unitText(const std::string& exec)
{
    return QByteArray::fromStdString("[Service]\nExecStart=" + exec + "\n");
}

// The page on the Performance module's backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property PerformanceViewModel performance
    required property HelperClient helperClient
    required property AppActivity appActivity
    readonly property alias page: page

    BrandBackground {
        anchors.fill: parent
        module: "Performance"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Performance")
        PerformanceView {
            id: page
            objectName: "performanceView"
            anchors.fill: parent
            model: host.performance
            helper: host.helperClient
            activity: host.appActivity
        }
    }
}
)";

} // namespace

PerformanceScreenHarness::PerformanceScreenHarness()
    : m_daemon(std::make_shared<FakeDaemonService>(DaemonService::Status::notRegistered, &m_clock))
{
    QSettings::setPath(
        QSettings::NativeFormat, QSettings::UserScope,
        QFile::decodeName(QByteArray::fromStdString(m_tree.folder(m_tree.configHome()).native())));
    m_tree.folder(userDir());
    m_tree.folder(agentsDir());
    m_tree.folder(daemonsDir());
    m_prompt->beforeRun([hold = m_hold, waiting = &m_waiting](const std::string&) {
        std::unique_lock lock(hold->mutex);
        ++*waiting;
        hold->released.wait(lock, [&] { return !hold->hold; });
        --*waiting;
    });
}

PerformanceScreenHarness::~PerformanceScreenHarness()
{
    holdPrompt(false);
    holdTrash(false);
    m_screen.close();
    m_pool.waitForDone();
    m_helper.reset();
    m_model.reset();
    for (int round = 0; round < 10; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        m_pool.waitForDone();
        QCoreApplication::processEvents();
    }
}

fs::path PerformanceScreenHarness::userDir() const
{
    return m_tree.configHome() / "autostart";
}

fs::path PerformanceScreenHarness::agentsDir() const
{
    return m_tree.path("system/etc/xdg/autostart");
}

fs::path PerformanceScreenHarness::daemonsDir() const
{
    return m_tree.path("system/etc/systemd/system");
}

void PerformanceScreenHarness::addJob(const fs::path& dir, const std::string& file, const std::string& name,
                                      const std::string& exec)
{
    m_tree.fileWithContent(dir / file, QByteArray::fromStdString("[Desktop Entry]\nType=Application\nName=" +
                                                                 name + "\nExec=" + exec + "\n"));
}

fs::path PerformanceScreenHarness::addDaemon(const std::string& name, const std::string& exec)
{
    const fs::path unit =
        m_tree.fileWithContent(m_tree.path("system/usr/lib/systemd/system") / name, unitText(exec));
    m_tree.symlink(unit, daemonsDir() / "multi-user.target.wants" / name);
    return unit;
}

fs::path PerformanceScreenHarness::addUserUnit(const std::string& name, const std::string& exec)
{
    const fs::path units = m_tree.configHome() / "systemd/user";
    const fs::path unit = m_tree.fileWithContent(units / name, unitText(exec));
    m_tree.symlink(unit, units / "default.target.wants" / name);
    return unit;
}

void PerformanceScreenHarness::holdTrash(bool hold)
{
    {
        const std::lock_guard lock(m_trashHold->mutex);
        m_trashHold->hold = hold;
    }
    m_trashHold->released.notify_all();
}

void PerformanceScreenHarness::holdPrompt(bool hold)
{
    {
        const std::lock_guard lock(m_hold->mutex);
        m_hold->hold = hold;
    }
    m_hold->released.notify_all();
}

bool PerformanceScreenHarness::open(QSize size)
{
    PerformanceViewModel::Services services{m_clock};
    services.places = m_tree.places(m_tree.path("system"));
    services.home = home();
    services.systemRoot = m_tree.path("system");
    services.trash = Trash(FileSystem([hold = m_trashHold](FsStep step, const Path&) {
        if (step != FsStep::Move)
            return;
        std::unique_lock lock(hold->mutex);
        hold->released.wait(lock, [&] { return !hold->hold; });
    }));
    services.host = &m_host;
    services.powerSources = &m_power;
    services.restoreTracker = &m_tracker;
    services.volume = [](const Path&) { return MacHealth{40'000, 100'000, 60'000}; };
    m_model = std::make_unique<PerformanceViewModel>(std::move(services));
    m_helper = std::make_unique<HelperClient>(HelperClient::Services{
        m_clock, m_daemon, m_prompt, [] { return std::unique_ptr<HelperConnection>(); }, QStringLiteral("1"),
        &m_pool});

    return m_screen.open(
        kHostQml,
        {{QStringLiteral("performance"), QVariant::fromValue(m_model.get())},
         {QStringLiteral("helperClient"), QVariant::fromValue(m_helper.get())},
         {QStringLiteral("appActivity"), QVariant::fromValue(static_cast<AppActivity*>(&m_activity))}},
        size, [](QQmlEngine& engine) { return ScreenHarness::setReduceMotion(engine, true); });
}

QQuickItem* PerformanceScreenHarness::part(const char* name) const
{
    return page() != nullptr ? page()->property(name).value<QQuickItem*>() : nullptr;
}

void PerformanceScreenHarness::click(QQuickItem* target)
{
    if (target == nullptr || window() == nullptr)
        return;
    m_screen.scrollIntoView(target);
    m_screen.click(target);
}

bool PerformanceScreenHarness::settleScan()
{
    return settle([this] { return !m_model->loading(); });
}

void PerformanceScreenHarness::settleHelper()
{
    for (int round = 0; round < 20; ++round) {
        m_pool.waitForDone(50);
        QCoreApplication::processEvents();
    }
}

} // namespace qm::test
