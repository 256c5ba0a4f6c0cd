#include "CloudScreenHarness.h"

#include <QMutex>
#include <QMutexLocker>
#include <QQmlComponent>
#include <QTest>
#include <QThreadPool>
#include <QtQuickTest/quicktest.h>

namespace qm::test {
namespace {

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

void collect(const QQuickItem* under, const QString& objectName, QList<QQuickItem*>& out)
{
    for (QQuickItem* child : under->childItems()) {
        if (!child->isVisible())
            continue;
        if (child->objectName() == objectName)
            out.append(child);
        collect(child, objectName, out);
    }
}

} // namespace

CloudScreenHarness::CloudScreenHarness(bool withFakeDrive)
{
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setMaxThreadCount(std::max(8, pool->maxThreadCount()));
    {
        QMutexLocker lock(&g_messagesMutex);
        g_warnings.clear();
    }
    g_previousHandler = qInstallMessageHandler(recordMessage);
    // The design system asks gsettings for the motion preference; keep its default back end from
    // writing into the real home.
    m_savedBackend = qgetenv("GSETTINGS_BACKEND");
    m_hadBackend = qEnvironmentVariableIsSet("GSETTINGS_BACKEND");
    qputenv("GSETTINGS_BACKEND", "memory");
    if (withFakeDrive)
        m_drive = std::make_shared<FakeCloudDrive>(m_tree.root(), root());
}

CloudScreenHarness::~CloudScreenHarness()
{
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
    m_engine = std::make_unique<QQmlEngine>();
    QQmlComponent component(m_engine.get());
    component.setData(kHostQml, QUrl());
    if (!component.isReady()) {
        m_errors.append(component.errorString());
        return false;
    }
    QObject* root = component.createWithInitialProperties(
        {{QStringLiteral("cloud"), QVariant::fromValue(m_model.get())}});
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

QObject* CloudScreenHarness::pageObject(const char* property) const
{
    return m_page != nullptr ? m_page->property(property).value<QObject*>() : nullptr;
}

QString CloudScreenHarness::contentName() const
{
    auto* loader = qobject_cast<QQuickItem*>(pageObject("content"));
    auto* item = loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
    return item != nullptr ? item->objectName() : QString();
}

QQuickItem* CloudScreenHarness::find(const QString& objectName, const QQuickItem* under) const
{
    if (under == nullptr)
        under = m_window != nullptr ? m_window->contentItem() : nullptr;
    if (under == nullptr)
        return nullptr;
    QList<QQuickItem*> found;
    collect(under, objectName, found);
    return found.isEmpty() ? nullptr : found.first();
}

QList<QQuickItem*> CloudScreenHarness::findAll(const QString& objectName) const
{
    QList<QQuickItem*> found;
    if (m_window != nullptr)
        collect(m_window->contentItem(), objectName, found);
    return found;
}

void CloudScreenHarness::click(QQuickItem* target)
{
    if (target == nullptr || m_window == nullptr)
        return;
    QQuickTest::qWaitForPolish(m_window.get());
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(m_window.get(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

QStringList CloudScreenHarness::warnings() const
{
    QMutexLocker lock(&g_messagesMutex);
    return g_warnings;
}

void CloudScreenHarness::drain()
{
    for (int round = 0; round < 10; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
}

void CloudScreenHarness::wait(int ms)
{
    QTest::qWait(ms);
}

QImage CloudScreenHarness::grab()
{
    return m_window != nullptr ? m_window->grabWindow() : QImage();
}

} // namespace qm::test
