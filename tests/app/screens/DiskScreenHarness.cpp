#include "DiskScreenHarness.h"

#include <QMutex>
#include <QMutexLocker>
#include <QQmlComponent>
#include <QTest>
#include <QThreadPool>
#include <QtQuickTest/quicktest.h>

#include <algorithm>
#include <chrono>
#include <thread>

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

DiskScreenHarness::DiskScreenHarness()
{
    // A held scan must never keep the next job from running.
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setMaxThreadCount(std::max(8, pool->maxThreadCount()));
    {
        QMutexLocker lock(&g_messagesMutex);
        g_warnings.clear();
    }
    g_previousHandler = qInstallMessageHandler(recordMessage);
    m_savedBackend = qgetenv("GSETTINGS_BACKEND");
    m_hadBackend = qEnvironmentVariableIsSet("GSETTINGS_BACKEND");
    qputenv("GSETTINGS_BACKEND", "memory");
    m_savedCache = qgetenv("XDG_CACHE_HOME");
    m_hadCache = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QByteArray(m_tree.folder("caches").c_str()));
    m_tree.folder(home());
    m_tree.folder("system");
    m_volume->space = VolumeSpace{1'000'000'000'000, 400'000'000'000};
}

DiskScreenHarness::~DiskScreenHarness()
{
    holdScans(false);
    m_window.reset();
    m_engine.reset();
    m_model.reset();
    for (int round = 0; round < 10; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
    if (m_hadBackend)
        qputenv("GSETTINGS_BACKEND", m_savedBackend);
    else
        qunsetenv("GSETTINGS_BACKEND");
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

    m_engine = std::make_unique<QQmlEngine>();
    // The motion preference is set before the page first reads it.
    QQmlComponent motion(m_engine.get());
    motion.setData(QByteArray("import QtQml\nimport Quillmere.Design\nQtObject { Component.onCompleted: "
                              "MotionSettings.reduceMotion = ") +
                       (reduceMotion ? "true" : "false") + " }",
                   QUrl());
    std::unique_ptr<QObject> setter(motion.create());
    if (setter == nullptr) {
        m_errors.append(motion.errorString());
        return false;
    }

    QQmlComponent component(m_engine.get());
    component.setData(kHostQml, QUrl());
    if (!component.isReady()) {
        m_errors.append(component.errorString());
        return false;
    }
    QObject* root =
        component.createWithInitialProperties({{QStringLiteral("disk"), QVariant::fromValue(m_model.get())}});
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

QQuickItem* DiskScreenHarness::find(const QString& objectName, const QQuickItem* under) const
{
    if (under == nullptr)
        under = m_window != nullptr ? m_window->contentItem() : nullptr;
    return under != nullptr ? findUnder(under, objectName) : nullptr;
}

void DiskScreenHarness::click(QQuickItem* target)
{
    if (target == nullptr || m_window == nullptr)
        return;
    auto* scroll = m_page != nullptr ? m_page->property("scroll").value<QQuickItem*>() : nullptr;
    auto* content = scroll != nullptr ? scroll->property("contentItem").value<QQuickItem*>() : nullptr;
    if (content != nullptr && content->isAncestorOf(target)) {
        const QPointF inContent = target->mapToItem(content, QPointF(0, 0));
        const qreal maxY = std::max<qreal>(0, scroll->property("contentHeight").toReal() - scroll->height());
        const qreal wanted = inContent.y() + target->height() / 2 - scroll->height() / 2;
        scroll->setProperty("contentY", std::clamp<qreal>(wanted, 0, maxY));
    }
    QQuickTest::qWaitForPolish(m_window.get());
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(m_window.get(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

QStringList DiskScreenHarness::warnings() const
{
    QMutexLocker lock(&g_messagesMutex);
    return g_warnings;
}

bool DiskScreenHarness::settleScan()
{
    return settle([this] { return m_model->hasReport() && !m_model->scanning(); });
}

void DiskScreenHarness::wait(int ms)
{
    QTest::qWait(ms);
}

QImage DiskScreenHarness::grab()
{
    return m_window != nullptr ? m_window->grabWindow() : QImage();
}

} // namespace qm::test
