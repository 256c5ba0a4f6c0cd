#include "DiskScreenHarness.h"

#include <chrono>
#include <thread>

namespace qm::test {
namespace {

// The page on the Disk module's backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property DiskViewModel disk
    readonly property alias page: page

    BrandBackground {
        anchors.fill: parent
        module: "Disk"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Disk")
        DiskView {
            id: page
            objectName: "diskView"
            anchors.fill: parent
            model: host.disk
        }
    }
}
)";

} // namespace

DiskScreenHarness::DiskScreenHarness()
{
    // The screen harness widens the pool: a held scan never keeps the next job from running.
    m_savedCache = qgetenv("XDG_CACHE_HOME");
    m_hadCache = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QByteArray(m_tree.folder("caches").c_str()));
    m_tree.folder(home());
    m_tree.folder("system");
    m_volume->space = VolumeSpace{1'000'000'000'000, 400'000'000'000, 400'000'000'000};
}

DiskScreenHarness::~DiskScreenHarness()
{
    holdScans(false);
    m_screen.close();
    m_model.reset();
    m_screen.drain();
    if (m_hadCache)
        qputenv("XDG_CACHE_HOME", m_savedCache);
    else
        qunsetenv("XDG_CACHE_HOME");
}

std::filesystem::path DiskScreenHarness::home() const
{
    return m_tree.path(std::filesystem::path("h\xff"));
}

void DiskScreenHarness::setVolume(std::optional<VolumeSpace> space)
{
    const std::lock_guard lock(m_volume->mutex);
    m_volume->space = space;
}

void DiskScreenHarness::holdScans(bool hold)
{
    m_volume->hold = hold;
}

bool DiskScreenHarness::open(QSize size, bool reduceMotion)
{
    const auto reader = [volume = m_volume, waiting = &m_waiting](const Path&) {
        ++*waiting;
        while (volume->hold.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --*waiting;
        const std::lock_guard lock(volume->mutex);
        return volume->space;
    };
    m_model = std::make_unique<DiskViewModel>(
        DiskViewModel::Services{DiskUsageScanner(home(), m_tree.path("system"), reader), m_workspace});

    // The motion preference is set before the page first reads it.
    return m_screen.open(
        kHostQml, {{QStringLiteral("disk"), QVariant::fromValue(m_model.get())}}, size,
        [reduceMotion](QQmlEngine& engine) { return ScreenHarness::setReduceMotion(engine, reduceMotion); });
}

void DiskScreenHarness::click(QQuickItem* target)
{
    if (target == nullptr || window() == nullptr)
        return;
    m_screen.scrollIntoView(target);
    m_screen.click(target);
}

bool DiskScreenHarness::settleScan()
{
    return settle([this] { return m_model->hasReport() && !m_model->scanning(); });
}

} // namespace qm::test
