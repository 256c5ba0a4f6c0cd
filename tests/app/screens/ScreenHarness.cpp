#include "ScreenHarness.h"

#include "support/EventLoopWait.h"

#include <QMutex>
#include <QMutexLocker>
#include <QQmlComponent>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include <algorithm>

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

template <typename Match> void collect(const QQuickItem* under, const Match& match, QList<QQuickItem*>& out)
{
    for (QQuickItem* child : under->childItems()) {
        if (!child->isVisible())
            continue;
        if (match(child->objectName()))
            out.append(child);
        collect(child, match, out);
    }
}

} // namespace

ScreenHarness::ScreenHarness()
{
    widenPool();
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
}

ScreenHarness::~ScreenHarness()
{
    close();
    drain();
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
    if (m_hadBackend)
        qputenv("GSETTINGS_BACKEND", m_savedBackend);
    else
        qunsetenv("GSETTINGS_BACKEND");
}

bool ScreenHarness::open(const char* hostQml, const QVariantMap& properties, QSize size,
                         const Prepare& prepare)
{
    close();
    m_engine = std::make_unique<QQmlEngine>();
    if (prepare) {
        const QString error = prepare(*m_engine);
        if (!error.isEmpty()) {
            m_errors.append(error);
            return false;
        }
    }
    QQmlComponent component(m_engine.get());
    component.setData(hostQml, QUrl());
    if (!component.isReady()) {
        m_errors.append(component.errorString());
        return false;
    }
    QObject* root = component.createWithInitialProperties(properties);
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

QString ScreenHarness::setReduceMotion(QQmlEngine& engine, bool reduceMotion)
{
    QQmlComponent motion(&engine);
    motion.setData(QByteArray("import QtQml\nimport Quillmere.Design\nQtObject { Component.onCompleted: "
                              "MotionSettings.reduceMotion = ") +
                       (reduceMotion ? "true" : "false") + " }",
                   QUrl());
    const std::unique_ptr<QObject> setter(motion.create());
    return setter != nullptr ? QString() : motion.errorString();
}

void ScreenHarness::close()
{
    m_page = nullptr;
    m_root = nullptr;
    m_window.reset();
    m_engine.reset();
}

QObject* ScreenHarness::pageObject(const char* property) const
{
    return m_page != nullptr ? m_page->property(property).value<QObject*>() : nullptr;
}

QString ScreenHarness::contentName() const
{
    auto* loader = qobject_cast<QQuickItem*>(pageObject("content"));
    auto* item = loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
    return item != nullptr ? item->objectName() : QString();
}

QQuickItem* ScreenHarness::find(const QString& objectName, const QQuickItem* under) const
{
    if (under == nullptr)
        under = m_window != nullptr ? m_window->contentItem() : nullptr;
    if (under == nullptr)
        return nullptr;
    QList<QQuickItem*> found;
    collect(
        under, [&](const QString& name) { return name == objectName; }, found);
    return found.isEmpty() ? nullptr : found.first();
}

QList<QQuickItem*> ScreenHarness::findAll(const QString& objectName, const QQuickItem* under) const
{
    if (under == nullptr)
        under = m_window != nullptr ? m_window->contentItem() : nullptr;
    QList<QQuickItem*> found;
    if (under != nullptr)
        collect(
            under, [&](const QString& name) { return name == objectName; }, found);
    return found;
}

QList<QQuickItem*> ScreenHarness::findAllStartingWith(const QString& prefix) const
{
    QList<QQuickItem*> found;
    if (m_window != nullptr)
        collect(
            m_window->contentItem(), [&](const QString& name) { return name.startsWith(prefix); }, found);
    return found;
}

void ScreenHarness::click(QQuickItem* target)
{
    if (target == nullptr || m_window == nullptr)
        return;
    QQuickTest::qWaitForPolish(m_window.get());
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(m_window.get(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

void ScreenHarness::scrollIntoView(QQuickItem* target)
{
    auto* scroll = qobject_cast<QQuickItem*>(pageObject("scroll"));
    auto* content = scroll != nullptr ? scroll->property("contentItem").value<QQuickItem*>() : nullptr;
    if (target == nullptr || content == nullptr || !content->isAncestorOf(target))
        return;
    const QPointF inContent = target->mapToItem(content, QPointF(0, 0));
    const qreal maxY = std::max<qreal>(0, scroll->property("contentHeight").toReal() - scroll->height());
    const qreal wanted = inContent.y() + target->height() / 2 - scroll->height() / 2;
    scroll->setProperty("contentY", std::clamp<qreal>(wanted, 0, maxY));
}

QStringList ScreenHarness::warnings() const
{
    QMutexLocker lock(&g_messagesMutex);
    return g_warnings;
}

void ScreenHarness::drain()
{
    test::drain();
}

void ScreenHarness::wait(int ms)
{
    QTest::qWait(ms);
}

QImage ScreenHarness::grab()
{
    return m_window != nullptr ? m_window->grabWindow() : QImage();
}

} // namespace qm::test
