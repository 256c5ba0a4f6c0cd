#include "FilesScreenHarness.h"

#include "support/EventLoopWait.h"

namespace qm::test {
namespace {

// The page on the Files module's backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property LargeFilesViewModel largeFiles
    required property DuplicatesViewModel duplicates
    required property AppActivity activity
    required property FocusedValues focused
    readonly property alias page: page

    BrandBackground {
        anchors.fill: parent
        module: "Files"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Files")
        FilesView {
            id: page
            objectName: "filesView"
            anchors.fill: parent
            largeFiles: host.largeFiles
            duplicates: host.duplicates
            activity: host.activity
            focused: host.focused
        }
    }
}
)";

} // namespace

FilesScreenHarness::FilesScreenHarness()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_scanning.home = m_home.home();
    m_scanning.extentKey = [](const Path& path) -> std::optional<QString> {
        if (path.filename().native().starts_with("link"))
            return QStringLiteral("9:4096");
        return std::nullopt;
    };
}

FilesScreenHarness::~FilesScreenHarness()
{
    m_gate->release();
    close();
    drain();
    m_largeFiles.reset();
    m_duplicates.reset();
    drain();
    QLocale::setDefault(m_savedLocale);
}

std::filesystem::path FilesScreenHarness::file(const std::string& name, qint64 size, char fill)
{
    return m_home.file(std::filesystem::path("Docs") / name, size, fill);
}

bool FilesScreenHarness::open(QSize size)
{
    const auto probe = [this] {
        ++m_probes;
        return m_fullDiskAccess.load();
    };
    const auto trash = [this] {
        return Trash(FileSystem([gate = m_gate](FsStep step, const Path&) { gate->pass(step); }));
    };
    if (!m_largeFiles) {
        LargeFilesViewModel::Services services{m_clock};
        services.home = m_home.home();
        services.scanner = FileScanner(m_scanning);
        services.search = m_search;
        services.trash = trash();
        services.fullDiskAccess = probe;
        services.folderPicker = m_picker;
        services.restoreTracker = &m_tracker;
        m_largeFiles = std::make_unique<LargeFilesViewModel>(std::move(services));
    }
    if (!m_duplicates) {
        DuplicatesViewModel::Services services{m_clock};
        services.home = m_home.home();
        services.scanner = FileScanner(m_scanning);
        services.trash = trash();
        services.fullDiskAccess = probe;
        services.folderPicker = m_picker;
        services.restoreTracker = &m_tracker;
        m_duplicates = std::make_unique<DuplicatesViewModel>(std::move(services));
    }
    return ScreenHarness::open(kHostQml,
                               {{QStringLiteral("largeFiles"), QVariant::fromValue(m_largeFiles.get())},
                                {QStringLiteral("duplicates"), QVariant::fromValue(m_duplicates.get())},
                                {QStringLiteral("activity"), QVariant::fromValue<QObject*>(&m_activity)},
                                {QStringLiteral("focused"), QVariant::fromValue(&m_focused)}},
                               size);
}

QQuickItem* FilesScreenHarness::toolScreen() const
{
    auto* loader = qobject_cast<QQuickItem*>(pageObject("toolScreen"));
    return loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
}

QString FilesScreenHarness::toolContentName() const
{
    QQuickItem* screen = toolScreen();
    auto* loader = screen != nullptr ? screen->property("content").value<QQuickItem*>() : nullptr;
    auto* item = loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
    return item != nullptr ? item->objectName() : QString();
}

QQuickItem* FilesScreenHarness::bar() const
{
    QQuickItem* screen = toolScreen();
    auto* loader = screen != nullptr ? screen->property("bottomBar").value<QQuickItem*>() : nullptr;
    return loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
}

bool FilesScreenHarness::switchTo(const QString& raw)
{
    QQuickItem* segment = find(QStringLiteral("segment:") + raw);
    if (segment == nullptr)
        return false;
    click(segment);
    return settle([&] { return page()->property("tool").toString() == raw; });
}

} // namespace qm::test
