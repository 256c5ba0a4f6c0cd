#include "CleanupScreenHarness.h"

#include "support/FakeAppLocator.h"

namespace qm::test {
namespace {

// The page on the Cleanup module's backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property CleanupViewModel cleanup
    required property AppActivity appActivity
    readonly property alias page: page

    BrandBackground {
        anchors.fill: parent
        module: "Cleanup"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Cleanup")
        CleanupView {
            id: page
            objectName: "cleanupView"
            anchors.fill: parent
            model: host.cleanup
            activity: host.appActivity
        }
    }
}
)";

} // namespace

CleanupScreenHarness::CleanupScreenHarness()
{
    // The graphics stack keeps shader and pipeline caches under XDG_CACHE_HOME; they go beside the
    // home rather than into its ~/.cache (the home restores the variable when it goes). The screen
    // harness keeps gsettings, whose default back end would create ~/.cache/dconf, in memory.
    qputenv("XDG_CACHE_HOME", QByteArray(m_caches.root().c_str()));
}

CleanupScreenHarness::~CleanupScreenHarness()
{
    m_scanGate->release();
    m_trashGate->release();
    m_screen.close();
    m_model.reset();
    m_screen.drain();
}

std::filesystem::path CleanupScreenHarness::trashFiles() const
{
    return m_home.dataHome() / "Trash" / "files";
}

bool CleanupScreenHarness::open(QSize size)
{
    m_model = std::make_unique<CleanupViewModel>(CleanupViewModel::Services{
        m_clock,
        CleanupScanner(FileSystem([gate = m_scanGate](FsStep step, const Path&) { gate->pass(step); }),
                       m_home.home(), m_system.root(), std::make_shared<FakeAppLocator>()),
        // The fixture's home trash alone: the machine's volumes and their trash folders stay out of it.
        TrashBin(std::nullopt, FileSystem(), [] { return MountTable(); }),
        Trash(FileSystem([gate = m_trashGate](FsStep step, const Path&) { gate->pass(step); })),
        [] { return true; },
        m_workspace,
        &m_tracker,
    });

    return m_screen.open(
        kHostQml,
        {{QStringLiteral("cleanup"), QVariant::fromValue(m_model.get())},
         {QStringLiteral("appActivity"), QVariant::fromValue(static_cast<AppActivity*>(&m_activity))}},
        size);
}

void CleanupScreenHarness::click(QQuickItem* target)
{
    if (target == nullptr || window() == nullptr)
        return;
    m_screen.scrollIntoView(target);
    m_screen.click(target);
}

} // namespace qm::test
