#include "ApplicationsScreenHarness.h"

#include "app/models/ApplicationIconProvider.h"

#include <QBuffer>
#include <QImageWriter>
#include <QThreadPool>

#include <algorithm>

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// The page on the Applications backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property ApplicationsViewModel applications
    required property AppActivity appActivity
    readonly property alias page: loader.item
    property bool pageShown: true

    // As the shell's stage leaves a module and comes back to it: the page is told it goes, hidden,
    // shown again and told it appears.
    onPageShownChanged: {
        if (!pageShown && page !== null)
            page.disappear()
        holder.visible = pageShown
        if (pageShown && page !== null)
            page.appear()
    }

    BrandBackground {
        anchors.fill: parent
        module: "Applications"
    }
    Item {
        id: holder
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Applications")
        Loader {
            id: loader
            anchors.fill: parent
            sourceComponent: ApplicationsView {
                objectName: "applicationsView"
                model: host.applications
                activity: host.appActivity
            }
        }
    }
}
)";

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return bytes;
}

} // namespace

ApplicationsScreenHarness::ApplicationsScreenHarness()
{
    qputenv("XDG_CACHE_HOME", QByteArray(m_caches.root().c_str()));
    m_home.folder(".config");
    m_home.folder(".cache");
    m_system.folder("opt");
}

ApplicationsScreenHarness::~ApplicationsScreenHarness()
{
    m_finderGate->release();
    holdListings(false);
    m_page = nullptr;
    m_screen.close();
    m_model.reset();
    drain();
}

ApplicationsScreenHarness::HomeApp ApplicationsScreenHarness::homeApp(const fs::path& folder,
                                                                      const QByteArray& name,
                                                                      const QByteArray& identifier,
                                                                      const QByteArray& version, Icon icon)
{
    const std::string lower = QString::fromStdString(folder.string()).toLower().toStdString();
    const fs::path at = m_home.path(".local/opt") / folder;
    const fs::path program = m_home.file(at / lower, 20'000);
    // The Exec value quoted as the desktop entry specification quotes an argument.
    const auto quoted = [](const fs::path& path) {
        QByteArray text = QByteArray::fromStdString(path.native());
        for (const char c : {'\\', '"', '`', '$'})
            text.replace(QByteArray(1, c), QByteArray("\\") + c);
        return '"' + text.replace("\\", "\\\\").replace("%", "%%") + '"';
    };
    QByteArray entry = "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + quoted(program) + "\n";
    if (!version.isEmpty())
        entry += "X-AppImage-Version=" + version + "\n";
    QImage picture(64, 64, QImage::Format_ARGB32);
    picture.fill(QColor(94, 139, 240));
    const fs::path iconFile = at / (icon == Icon::svg || icon == Icon::brokenSvg ? "icon.svg" : "icon.png");
    switch (icon) {
    case Icon::none:
        break;
    case Icon::png:
        m_home.fileWithContent(iconFile, encoded(picture, "png"));
        break;
    case Icon::notAnImage:
        m_home.fileWithContent(iconFile, "not an icon");
        break;
    case Icon::svg:
        m_home.fileWithContent(iconFile, "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 64 64\">"
                                         "<circle cx=\"32\" cy=\"32\" r=\"30\" fill=\"#5e8bf0\"/></svg>");
        break;
    case Icon::brokenSvg:
        m_home.fileWithContent(iconFile, "<svg xmlns=\"http://www.w3.org/2000/svg\"><circle");
        break;
    case Icon::oversized:
        // A valid picture followed by a hole: larger than the reader takes.
        m_home.sparseFile(iconFile, ApplicationIconProvider::kMaxFileBytes + 1);
        break;
    }
    if (icon != Icon::none)
        entry += "Icon=" + QByteArray::fromStdString(iconFile.native()) + "\n";
    const std::string id = identifier.isEmpty() ? lower : identifier.toStdString();
    const fs::path file =
        m_home.fileWithContent(fs::path(".local/share/applications") / (id + ".desktop"), entry);
    return HomeApp{program, file};
}

void ApplicationsScreenHarness::holdListings(bool hold)
{
    m_holdListings = hold;
    if (hold)
        return;
    auto held = std::exchange(m_heldListings, {});
    for (auto& done : held)
        startListing(std::move(done));
}

void ApplicationsScreenHarness::startListing(ApplicationsViewModel::ListingDone done)
{
    const DesktopAppScanner desktop(m_home.places(m_system.root()), m_packages);
    QThreadPool::globalInstance()->start([desktop, done = std::move(done), this] {
        AppScanner::Listing listing = desktop.listApps();
        if (m_incomplete.load())
            listing.complete = false;
        done(std::move(listing));
    });
}

bool ApplicationsScreenHarness::open(QSize size)
{
    ApplicationsViewModel::Services services{m_clock};
    services.home = m_home.home();
    services.systemRoot = m_system.root();
    services.lister = [this](ApplicationsViewModel::ListingDone done) {
        ++m_listings;
        if (m_holdListings)
            m_heldListings.push_back(std::move(done));
        else
            startListing(std::move(done));
    };
    services.sizer = m_sizer;
    services.finder =
        LeftoverFinder(FileSystem([gate = m_finderGate](FsStep step, const Path&) { gate->pass(step); }),
                       CleanupScanner(FileSystem(), m_home.home()), m_home.places(m_system.root()));
    services.own = ApplicationsViewModel::OwnIdentity{Path("/nowhere/Quillmere")};
    services.workspace = m_workspace;
    services.adminMove = [answer = m_adminAnswer](const Path&) { return answer; };
    services.fullDiskAccess = [] { return false; };
    services.restoreTracker = &m_tracker;
    m_model = std::make_unique<ApplicationsViewModel>(std::move(services));

    if (!m_screen.open(
            kHostQml,
            {{QStringLiteral("applications"), QVariant::fromValue(m_model.get())},
             {QStringLiteral("appActivity"), QVariant::fromValue(static_cast<AppActivity*>(&m_activity))}},
            size, [](QQmlEngine& engine) {
                ApplicationIconProvider::install(engine);
                return QString();
            }))
        return false;
    return showPage();
}

bool ApplicationsScreenHarness::showPage()
{
    m_page = m_screen.host()->property("page").value<QQuickItem*>();
    return m_page != nullptr;
}

bool ApplicationsScreenHarness::showPageAgain()
{
    m_screen.host()->setProperty("pageShown", false);
    QCoreApplication::processEvents();
    m_screen.host()->setProperty("pageShown", true);
    return showPage();
}

QObject* ApplicationsScreenHarness::pageObject(const char* property) const
{
    return m_page != nullptr ? m_page->property(property).value<QObject*>() : nullptr;
}

QStringList ApplicationsScreenHarness::warnings() const
{
    QStringList unexpected = m_screen.warnings();
    unexpected.removeIf([&](const QString& warning) {
        return std::any_of(m_expected.begin(), m_expected.end(),
                           [&](const QString& text) { return warning.contains(text); });
    });
    return unexpected;
}

bool ApplicationsScreenHarness::settleInventory()
{
    return settle([&] {
        return m_model->phase() == ApplicationsViewModel::Phase::loaded && !m_model->sizing() &&
               !m_model->refreshing();
    });
}

} // namespace qm::test
