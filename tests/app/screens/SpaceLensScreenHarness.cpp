#include "SpaceLensScreenHarness.h"

#include "core/files/FileScanner.h"

#include <QtQuickTest/quicktest.h>

namespace qm::test {
namespace {

// The page on the Space Lens module's backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property SpaceLensViewModel spaceLens
    required property AppActivity appActivity
    readonly property alias page: page

    BrandBackground {
        anchors.fill: parent
        module: "Space Lens"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Space Lens")
        SpaceLensView {
            id: page
            objectName: "spaceLensView"
            anchors.fill: parent
            model: host.spaceLens
            activity: host.appActivity
        }
    }
}
)";

} // namespace

SpaceLensScreenHarness::SpaceLensScreenHarness()
{
    // The graphics stack keeps its caches under XDG_CACHE_HOME; they go beside the home.
    qputenv("XDG_CACHE_HOME", QByteArray(m_caches.root().c_str()));
}

SpaceLensScreenHarness::~SpaceLensScreenHarness()
{
    m_trashGate->release();
    holdSizing(false);
    m_screen.close();
    m_model.reset();
    m_screen.drain();
}

void SpaceLensScreenHarness::holdSizing(bool hold)
{
    m_hold->held = hold;
    if (!hold)
        m_hold->permits.release(1 << 12);
}

void SpaceLensScreenHarness::letOne()
{
    m_hold->permits.release();
}

bool SpaceLensScreenHarness::open(QSize size)
{
    if (m_model == nullptr) {
        SpaceLensViewModel::Services services{m_clock};
        services.home = m_home.home();
        services.systemRoot = m_system.root();
        FileScanner::Services scanning;
        scanning.home = m_home.home();
        scanning.systemRoot = m_system.root();
        scanning.hook = [hold = m_hold](FileScanner::Checkpoint point, qint64) {
            if (point == FileScanner::Checkpoint::Collecting && hold->held)
                hold->permits.acquire();
        };
        services.scanner = FileScanner(scanning);
        services.trash =
            Trash(FileSystem([gate = m_trashGate](FsStep step, const Path&) { gate->pass(step); }));
        services.fullDiskAccess = [access = m_access] { return access->load(); };
        services.folderPicker = m_picker;
        services.workspace = m_workspace;
        services.restoreTracker = &m_tracker;
        m_model = std::make_unique<SpaceLensViewModel>(std::move(services));
    }
    return m_screen.open(
        kHostQml,
        {{QStringLiteral("spaceLens"), QVariant::fromValue(m_model.get())},
         {QStringLiteral("appActivity"), QVariant::fromValue(static_cast<AppActivity*>(&m_activity))}},
        size);
}

QString SpaceLensScreenHarness::entryId(const std::string& name) const
{
    if (m_model == nullptr)
        return {};
    for (const SizedEntry& entry : m_model->entries())
        if (entry.name.native() == name)
            return entry.id.toString(QUuid::WithoutBraces);
    return {};
}

QQuickItem* SpaceLensScreenHarness::row(const std::string& name) const
{
    const QString id = entryId(name);
    return id.isEmpty() ? nullptr : find(QStringLiteral("row:") + id);
}

QQuickItem* SpaceLensScreenHarness::bubble(const std::string& name) const
{
    const QString id = entryId(name);
    return id.isEmpty() ? nullptr : find(QStringLiteral("bubble:") + id);
}

bool SpaceLensScreenHarness::settlePass()
{
    if (!settle([&] { return m_model != nullptr && !m_model->scanning(); }))
        return false;
    // The list and the map lay out their new rows when the window is next polished.
    return window() == nullptr || QQuickTest::qWaitForPolish(window());
}

} // namespace qm::test
