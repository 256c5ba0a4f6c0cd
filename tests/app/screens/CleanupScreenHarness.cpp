#include "CleanupScreenHarness.h"

#include "support/FakeAppLocator.h"

#include <QMutex>
#include <QMutexLocker>
#include <QQmlComponent>
#include <QQmlProperty>
#include <QTest>
#include <QThreadPool>
#include <QtQuickTest/quicktest.h>

#include <algorithm>

namespace qm::test {
namespace {

// What Qt reported while a harness was open; a message handler is process-wide.
QMutex g_messagesMutex;
QStringList g_warnings;
QtMessageHandler g_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
        QMutexLocker lock(&g_messagesMutex);
        g_warnings.append(message);
    }
    if (g_previousHandler != nullptr)
        g_previousHandler(type, context, message);
}

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
    property int settingsRequests: 0
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
            onFullDiskAccessSettingsRequested: host.settingsRequests += 1
        }
    }
}
)";

QQuickItem* findUnder(const QQuickItem* under, const QString& objectName)
{
    for (QQuickItem* child : under->childItems()) {
        if (!child->isVisible())
            continue;
        if (child->objectName() == objectName)
            return child;
        if (QQuickItem* found = findUnder(child, objectName))
            return found;
    }
    return nullptr;
}

} // namespace

CleanupScreenHarness::CleanupScreenHarness()
{
    // A held job must never keep the next one from running.
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setMaxThreadCount(std::max(8, pool->maxThreadCount()));
    {
        QMutexLocker lock(&g_messagesMutex);
        g_warnings.clear();
    }
    g_previousHandler = qInstallMessageHandler(recordMessage);
    // The design system asks gsettings for the motion preference; its default back end would create
    // ~/.cache/dconf in the fixture home, where the scanner would find it as a developer cache.
    m_savedBackend = qgetenv("GSETTINGS_BACKEND");
    m_hadBackend = qEnvironmentVariableIsSet("GSETTINGS_BACKEND");
    qputenv("GSETTINGS_BACKEND", "memory");
    // The graphics stack keeps shader and pipeline caches under XDG_CACHE_HOME; they go beside the
    // home rather than into its ~/.cache (the home restores the variable when it goes).
    qputenv("XDG_CACHE_HOME", QByteArray(m_caches.root().c_str()));
}

CleanupScreenHarness::~CleanupScreenHarness()
{
    m_scanGate->release();
    m_trashGate->release();
    m_window.reset();
    m_engine.reset();
    m_model.reset();
    drain();
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
    if (m_hadBackend)
        qputenv("GSETTINGS_BACKEND", m_savedBackend);
    else
        qunsetenv("GSETTINGS_BACKEND");
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
                       m_home.home(), m_system.root(), nullptr, std::make_shared<FakeAppLocator>()),
        // The fixture's home trash alone: the machine's volumes and their trash folders stay out of it.
        TrashBin(std::nullopt, FileSystem(), [] { return MountTable(); }),
        Trash(FileSystem([gate = m_trashGate](FsStep step, const Path&) { gate->pass(step); })),
        [] { return true; },
        m_workspace,
        &m_tracker,
    });

    m_engine = std::make_unique<QQmlEngine>();
    QQmlComponent component(m_engine.get());
    component.setData(kHostQml, QUrl());
    if (!component.isReady()) {
        m_errors.append(component.errorString());
        return false;
    }
    QObject* root = component.createWithInitialProperties(
        {{QStringLiteral("cleanup"), QVariant::fromValue(m_model.get())},
         {QStringLiteral("appActivity"), QVariant::fromValue(static_cast<AppActivity*>(&m_activity))}});
    m_root = qobject_cast<QQuickItem*>(root);
    if (m_root == nullptr) {
        m_errors.append(component.errorString());
        delete root;
        return false;
    }
    m_window = std::make_unique<QQuickWindow>();
    m_window->setColor(Qt::black);
    m_window->resize(size);
    m_root->setParent(m_window.get());
    m_root->setParentItem(m_window->contentItem());
    m_root->setSize(QSizeF(size));
    m_page = m_root->property("page").value<QQuickItem*>();
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get())) {
        m_errors.append(QStringLiteral("the window was not shown"));
        return false;
    }
    return m_page != nullptr;
}

QObject* CleanupScreenHarness::pageObject(const char* property) const
{
    return m_page != nullptr ? m_page->property(property).value<QObject*>() : nullptr;
}

QQuickItem* CleanupScreenHarness::find(const QString& objectName, const QQuickItem* under) const
{
    if (under == nullptr)
        under = m_window != nullptr ? m_window->contentItem() : nullptr;
    return under != nullptr ? findUnder(under, objectName) : nullptr;
}

void CleanupScreenHarness::click(QQuickItem* target)
{
    if (target == nullptr || m_window == nullptr)
        return;
    // Bring the target into the scroll's view when it lies inside it.
    auto* scroll = qobject_cast<QQuickItem*>(pageObject("scroll"));
    auto* content = scroll != nullptr ? scroll->property("contentItem").value<QQuickItem*>() : nullptr;
    if (content != nullptr && content->isAncestorOf(target)) {
        const QPointF inContent = target->mapToItem(content, QPointF(0, 0));
        const qreal maxY = std::max<qreal>(0, scroll->property("contentHeight").toReal() - scroll->height());
        const qreal wanted = inContent.y() + target->height() / 2 - scroll->height() / 2;
        scroll->setProperty("contentY", std::clamp<qreal>(wanted, 0, maxY));
    }
    // Layouts place their children when the window polishes, before the next frame.
    QQuickTest::qWaitForPolish(m_window.get());
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(m_window.get(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

int CleanupScreenHarness::settingsRequests() const
{
    return m_root != nullptr ? m_root->property("settingsRequests").toInt() : 0;
}

QStringList CleanupScreenHarness::warnings() const
{
    QMutexLocker lock(&g_messagesMutex);
    return g_warnings;
}

void CleanupScreenHarness::drain()
{
    for (int round = 0; round < 10; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
}

void CleanupScreenHarness::wait(int ms)
{
    QTest::qWait(ms);
}

QImage CleanupScreenHarness::grab()
{
    return m_window != nullptr ? m_window->grabWindow() : QImage();
}

} // namespace qm::test
