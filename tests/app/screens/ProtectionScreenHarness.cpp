#include "ProtectionScreenHarness.h"

#include "core/cleaning/CleanupScanner.h"
#include "core/privacy/PrivacyScanner.h"

namespace qm::test {
namespace {

// The page on the Protection module's backdrop, with the module's tint in scope, as the root view
// makes it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property PrivacyViewModel privacy
    required property MalwareViewModel malware
    required property FocusedValues focused
    readonly property alias page: page

    BrandBackground {
        anchors.fill: parent
        module: "Protection"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Protection")
        ProtectionView {
            id: page
            objectName: "protectionView"
            anchors.fill: parent
            privacy: host.privacy
            malware: host.malware
            focused: host.focused
            tab: ProtectionTab.privacy
        }
    }
}
)";

} // namespace

ProtectionScreenHarness::~ProtectionScreenHarness()
{
    m_scanGate->release();
    m_trashGate->release();
    screen().close();
    m_privacy.reset();
    m_malware.drain();
}

PrivacyViewModel& ProtectionScreenHarness::privacy()
{
    makeModels();
    return *m_privacy;
}

void ProtectionScreenHarness::makeModels()
{
    m_malware.makeModel();
    if (m_privacy != nullptr)
        return;
    const Path home = m_malware.home().home();
    PrivacyViewModel::Services s{m_malware.clock()};
    s.scanner =
        PrivacyScanner(FileSystem([gate = m_scanGate](FsStep step, const Path&) { gate->pass(step); }),
                       CleanupScanner(FileSystem(), home), m_malware.home().places());
    s.workspace = m_workspace;
    s.restoreTracker = &m_malware.tracker();
    s.trash = Trash(FileSystem([gate = m_trashGate](FsStep step, const Path&) { gate->pass(step); }));
    m_privacy = std::make_unique<PrivacyViewModel>(std::move(s));
}

bool ProtectionScreenHarness::open(QSize size)
{
    makeModels();
    if (!screen().open(kHostQml,
                       {{QStringLiteral("privacy"), QVariant::fromValue(m_privacy.get())},
                        {QStringLiteral("malware"), QVariant::fromValue(&m_malware.model())},
                        {QStringLiteral("focused"), QVariant::fromValue(&m_focused)}},
                       size))
        return false;
    m_malware.drain();
    return true;
}

std::filesystem::path ProtectionScreenHarness::config()
{
    return m_malware.home().configHome();
}

std::filesystem::path ProtectionScreenHarness::caches()
{
    return m_malware.home().cacheHome();
}

void ProtectionScreenHarness::chromiumProfile(const std::filesystem::path& dataFolder,
                                              const std::filesystem::path& profile, qint64 historyBytes,
                                              qint64 cookieBytes)
{
    const std::filesystem::path folder = config() / dataFolder / profile;
    m_malware.home().file(folder / "History", historyBytes);
    m_malware.home().file(folder / "Cookies", cookieBytes);
}

void ProtectionScreenHarness::cacheFolder(const std::filesystem::path& folder, qint64 bytes)
{
    if (bytes > 0)
        m_malware.home().file(caches() / folder / "data_0", bytes);
    else
        m_malware.home().folder(caches() / folder);
}

bool ProtectionScreenHarness::scanPrivacy()
{
    PrivacyViewModel& model = privacy();
    const int before = model.generation();
    model.scan();
    return screen().settle(
        [&] { return model.generation() > before && model.phase() == PrivacyViewModel::Phase::results; });
}

bool ProtectionScreenHarness::select(const QString& browser, const QString& kind)
{
    for (const PrivacyItem& item : privacy().items()) {
        if (item.browser == browser && item.kind == kind) {
            privacy().toggle(item.id);
            return true;
        }
    }
    return false;
}

} // namespace qm::test
