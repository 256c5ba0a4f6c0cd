#include "PerformanceScreenHarness.h"

#include "core/helper/HelperConnection.h"
#include "core/launchd/PlistFixture.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QQmlComponent>
#include <QSettings>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include <algorithm>

namespace qm::test {
namespace {

namespace fs = std::filesystem;
namespace pl = plist;

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

// The page on the Performance module's backdrop, with the module's tint in scope, as the shell shows it.
constexpr const char* kHostQml = R"(
import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

Item {
    id: host
    required property PerformanceViewModel performance
    required property HelperClient helperClient
    required property AppActivity appActivity
    readonly property alias page: page

    BrandBackground {
        anchors.fill: parent
        module: "Performance"
    }
    Item {
        anchors.fill: parent
        ModuleTint.tint: QuillmereModule.tint("Performance")
        PerformanceView {
            id: page
            objectName: "performanceView"
            anchors.fill: parent
            model: host.performance
            helper: host.helperClient
            activity: host.appActivity
        }
    }
}
)";

void collect(const QQuickItem* under, const QString& objectName, QList<QQuickItem*>& found, bool firstOnly)
{
    for (QQuickItem* child : under->childItems()) {
        if (!child->isVisible())
            continue;
        if (child->objectName() == objectName) {
            found.append(child);
            if (firstOnly)
                return;
        }
        collect(child, objectName, found, firstOnly);
        if (firstOnly && !found.isEmpty())
            return;
    }
}

} // namespace

PerformanceScreenHarness::PerformanceScreenHarness()
    : m_daemon(std::make_shared<FakeDaemonService>(DaemonService::Status::notRegistered, &m_clock))
{
    {
        QMutexLocker lock(&g_messagesMutex);
        g_warnings.clear();
    }
    g_previousHandler = qInstallMessageHandler(recordMessage);
    m_savedBackend = qgetenv("GSETTINGS_BACKEND");
    m_hadBackend = qEnvironmentVariableIsSet("GSETTINGS_BACKEND");
    qputenv("GSETTINGS_BACKEND", "memory");
    QSettings::setPath(
        QSettings::NativeFormat, QSettings::UserScope,
        QFile::decodeName(QByteArray::fromStdString(m_tree.folder(m_tree.configHome()).native())));
    m_tree.folder(userDir());
    m_tree.folder(agentsDir());
    m_tree.folder(daemonsDir());
    m_prompt->beforeRun([hold = m_hold, waiting = &m_waiting](const std::string&) {
        std::unique_lock lock(hold->mutex);
        ++*waiting;
        hold->released.wait(lock, [&] { return !hold->hold; });
        --*waiting;
    });
}

PerformanceScreenHarness::~PerformanceScreenHarness()
{
    holdPrompt(false);
    holdTrash(false);
    m_window.reset();
    m_engine.reset();
    m_pool.waitForDone();
    m_helper.reset();
    m_model.reset();
    for (int round = 0; round < 10; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        m_pool.waitForDone();
        QCoreApplication::processEvents();
    }
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
    if (m_hadBackend)
        qputenv("GSETTINGS_BACKEND", m_savedBackend);
    else
        qunsetenv("GSETTINGS_BACKEND");
}

fs::path PerformanceScreenHarness::userDir() const
{
    return home() / "Library/LaunchAgents";
}

fs::path PerformanceScreenHarness::agentsDir() const
{
    return m_tree.path("system/Library/LaunchAgents");
}

fs::path PerformanceScreenHarness::daemonsDir() const
{
    return m_tree.path("system/Library/LaunchDaemons");
}

void PerformanceScreenHarness::addJob(const fs::path& dir, const std::string& file, const char* label,
                                      bool runAtLoad, const char* program)
{
    const pl::Owned node =
        label != nullptr
            ? pl::own(pl::dict({{"Label", pl::str(label)},
                                {"ProgramArguments", pl::array({pl::str(program)})},
                                {"RunAtLoad", pl::boolean(runAtLoad)}}))
            : pl::own(pl::dict({{"Program", pl::str(program)}, {"RunAtLoad", pl::boolean(runAtLoad)}}));
    m_tree.fileWithContent(dir / file, pl::toXml(node.get()));
}

void PerformanceScreenHarness::holdTrash(bool hold)
{
    {
        const std::lock_guard lock(m_trashHold->mutex);
        m_trashHold->hold = hold;
    }
    m_trashHold->released.notify_all();
}

void PerformanceScreenHarness::holdPrompt(bool hold)
{
    {
        const std::lock_guard lock(m_hold->mutex);
        m_hold->hold = hold;
    }
    m_hold->released.notify_all();
}

bool PerformanceScreenHarness::open(QSize size)
{
    PerformanceViewModel::Services services{m_clock};
    services.home = home();
    services.systemRoot = m_tree.path("system");
    services.trash = Trash(FileSystem([hold = m_trashHold](FsStep step, const Path&) {
        if (step != FsStep::Move)
            return;
        std::unique_lock lock(hold->mutex);
        hold->released.wait(lock, [&] { return !hold->hold; });
    }));
    services.host = &m_host;
    services.powerSources = &m_power;
    services.volume = [](const Path&) { return MacHealth{40'000, 100'000}; };
    m_model = std::make_unique<PerformanceViewModel>(std::move(services));
    m_helper = std::make_unique<HelperClient>(HelperClient::Services{
        m_clock, m_daemon, m_prompt, [] { return std::unique_ptr<HelperConnection>(); }, QStringLiteral("1"),
        &m_pool});

    m_engine = std::make_unique<QQmlEngine>();
    QQmlComponent motion(m_engine.get());
    motion.setData("import QtQml\nimport Quillmere.Design\nQtObject { Component.onCompleted: "
                   "MotionSettings.reduceMotion = true }",
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
    QObject* root = component.createWithInitialProperties(
        {{QStringLiteral("performance"), QVariant::fromValue(m_model.get())},
         {QStringLiteral("helperClient"), QVariant::fromValue(m_helper.get())},
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

QQuickItem* PerformanceScreenHarness::part(const char* name) const
{
    return m_page != nullptr ? m_page->property(name).value<QQuickItem*>() : nullptr;
}

QQuickItem* PerformanceScreenHarness::find(const QString& objectName, const QQuickItem* under) const
{
    if (under == nullptr)
        under = m_window != nullptr ? m_window->contentItem() : nullptr;
    if (under == nullptr)
        return nullptr;
    QList<QQuickItem*> found;
    collect(under, objectName, found, true);
    return found.isEmpty() ? nullptr : found.first();
}

QList<QQuickItem*> PerformanceScreenHarness::findAll(const QString& objectName, const QQuickItem* under) const
{
    if (under == nullptr)
        under = m_window != nullptr ? m_window->contentItem() : nullptr;
    QList<QQuickItem*> found;
    if (under != nullptr)
        collect(under, objectName, found, false);
    return found;
}

void PerformanceScreenHarness::click(QQuickItem* target)
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

QStringList PerformanceScreenHarness::warnings() const
{
    QMutexLocker lock(&g_messagesMutex);
    return g_warnings;
}

bool PerformanceScreenHarness::settleScan()
{
    return settle([this] { return !m_model->loading(); });
}

void PerformanceScreenHarness::settleHelper()
{
    for (int round = 0; round < 20; ++round) {
        m_pool.waitForDone(50);
        QCoreApplication::processEvents();
    }
}

void PerformanceScreenHarness::wait(int ms)
{
    QTest::qWait(ms);
}

QImage PerformanceScreenHarness::grab()
{
    return m_window != nullptr ? m_window->grabWindow() : QImage();
}

} // namespace qm::test
