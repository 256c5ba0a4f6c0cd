#include "CloudScreenHarness.h"

namespace qm::test {
namespace {

// The page on the Cloud Cleanup module's backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property CloudCleanupViewModel cloud
    readonly property alias page: page

    BrandBackground {
        anchors.fill: parent
        module: "Cloud Cleanup"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Cloud Cleanup")
        CloudCleanupView {
            id: page
            objectName: "cloudCleanupView"
            anchors.fill: parent
            model: host.cloud
        }
    }
}
)";

} // namespace

CloudScreenHarness::CloudScreenHarness(bool withFakeDrive)
{
    if (withFakeDrive)
        m_drive = std::make_shared<FakeCloudDrive>(m_tree.root(), root());
}

CloudScreenHarness::~CloudScreenHarness()
{
    close();
    m_model.reset();
    drain();
}

std::filesystem::path CloudScreenHarness::uploaded(const std::filesystem::path& relative, qint64 size)
{
    const std::filesystem::path path = m_tree.file(root() / relative, size);
    if (m_drive)
        m_drive->setUploadState(path, CloudUploadState::uploaded);
    return path;
}

bool CloudScreenHarness::open(QSize size)
{
    m_model = m_drive ? std::make_unique<CloudCleanupViewModel>(CloudCleanupViewModel::Services{m_drive})
                      : std::make_unique<CloudCleanupViewModel>();
    return ScreenHarness::open(kHostQml, {{QStringLiteral("cloud"), QVariant::fromValue(m_model.get())}},
                               size);
}

} // namespace qm::test
