#include "ShellHarness.h"

#include "app/models/ApplicationIconProvider.h"
#include "app/shell/ModuleModels.h"

#include <QQmlComponent>
#include <QSettings>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace qm::test {

ShellHarness::ShellHarness()
{
    // The offscreen platform reports no mouse, so controls would ignore hovering; the menu bar
    // behaves differently while the pointer rests on a title. Read when the first control is made.
    qputenv("QT_QUICK_CONTROLS_HOVER_ENABLED", "1");
    // The settings folder is read from the environment once per process; point it at this home's
    // config folder again, so several harnesses in one process each get their own.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(m_home.configHome().native()));
}

ShellHarness::~ShellHarness()
{
    quit();
}

bool ShellHarness::launch()
{
    quit();
    QuillmereApp::Services services{
        m_clock,
        m_activity,
        m_updater,
        [this] { return m_answers.fullDiskAccess.load(); },
        [this](const QUrl& url) {
            m_openedUrls.append(url);
            return m_answers.urlsOpen.load();
        },
        [this] {
            ++m_answers.storageReads;
            return MacHealth{.usedBytes = m_answers.usedBytes.load(),
                             .totalBytes = m_answers.totalBytes.load()};
        },
    };
    services.diskVolume = [this](const Path& path) {
        while (m_answers.holdDiskScan.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return VolumeSpace::read(path);
    };
    // No power supplies: the Battery page reads the fixture home, never this machine.
    services.powerSupplyRoot = m_home.home();
    services.folderPicker = m_folderPicker;
    services.firstFrame = m_firstFrame;
    m_app = std::make_unique<QuillmereApp>(services);
    m_engine = std::make_unique<QQmlEngine>();
    ApplicationIconProvider::install(*m_engine);
    QQmlComponent component(m_engine.get());
    component.setData("import Quillmere.Shell\nMainWindow {}", QUrl());
    if (!component.isReady()) {
        ADD_FAILURE() << component.errorString().toStdString();
        return false;
    }
    QObject* root =
        component.createWithInitialProperties({{QStringLiteral("app"), QVariant::fromValue(m_app.get())}});
    m_window = qobject_cast<QQuickWindow*>(root);
    if (m_window == nullptr) {
        ADD_FAILURE() << "the main window was not created: " << component.errorString().toStdString();
        delete root;
        return false;
    }
    m_window->show();
    m_window->requestActivate();
    if (!QTest::qWaitForWindowActive(m_window)) {
        ADD_FAILURE() << "the main window did not become active";
        return false;
    }
    return true;
}

void ShellHarness::quit()
{
    // Readings of the home volume still running call back into the answers.
    m_answers.holdDiskScan = false;
    QThreadPool::globalInstance()->waitForDone();
    delete m_window;
    m_window = nullptr;
    m_engine.reset();
    m_app.reset();
}

namespace {

// Items made by a repeater or a loader are not always QObject children of the item they sit in, so
// items are looked up along the visual tree.
QQuickItem* findItem(QQuickItem* under, QLatin1String objectName)
{
    for (QQuickItem* child : under->childItems()) {
        if (child->objectName() == objectName)
            return child;
        if (QQuickItem* found = findItem(child, objectName))
            return found;
    }
    return nullptr;
}

} // namespace

ModuleModels* ShellHarness::models() const
{
    QQuickItem* root = item("rootView");
    return root ? root->property("models").value<ModuleModels*>() : nullptr;
}

QQuickItem* ShellHarness::stageScreen() const
{
    QQuickItem* root = item("rootView");
    QObject* stage = root ? root->property("stage").value<QObject*>() : nullptr;
    return stage ? stage->property("screen").value<QQuickItem*>() : nullptr;
}

QQuickItem* ShellHarness::item(const char* objectName) const
{
    if (m_window == nullptr)
        return nullptr;
    if (QQuickItem* found = findItem(m_window->contentItem(), QLatin1String(objectName)))
        return found;
    return qobject_cast<QQuickItem*>(object(objectName));
}

QObject* ShellHarness::object(const char* objectName) const
{
    if (m_window == nullptr)
        return nullptr;
    if (m_window->objectName() == QLatin1String(objectName))
        return m_window;
    return m_window->findChild<QObject*>(QLatin1String(objectName));
}

QVariant ShellHarness::windowProperty(const char* name) const
{
    return m_window != nullptr ? m_window->property(name) : QVariant();
}

void ShellHarness::key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(m_window, key, modifiers);
}

void ShellHarness::click(QQuickItem* target)
{
    ASSERT_NE(target, nullptr);
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(m_window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

void ShellHarness::hover(QQuickItem* target)
{
    ASSERT_NE(target, nullptr);
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseMove(m_window, centre.toPoint());
}

QQuickItem* ShellHarness::menuBarItem(int index) const
{
    auto* bar = windowProperty("menuBar").value<QQuickItem*>();
    QQuickItem* item = nullptr;
    if (bar != nullptr)
        QMetaObject::invokeMethod(bar, "itemAt", Q_RETURN_ARG(QQuickItem*, item), Q_ARG(int, index));
    return item;
}

void ShellHarness::reactivate()
{
    m_activity.setState(AppActivity::State::Inactive);
    m_activity.setState(AppActivity::State::Active);
}

} // namespace qm::test
