#include "app/platform/GuiAppActivity.h"

#include <QGuiApplication>

namespace qm {

GuiAppActivity::GuiAppActivity(QGuiApplication& application, QObject* parent)
    : AppActivity(combine(focusOf(QGuiApplication::applicationState()), true), parent),
      m_application(application)
{
    connect(&m_application, &QGuiApplication::applicationStateChanged, this, &GuiAppActivity::update);
}

void GuiAppActivity::setWindow(QWindow* window)
{
    disconnect(m_visibilityConnection);
    disconnect(m_destroyedConnection);
    m_window = window;
    if (window != nullptr) {
        m_visibilityConnection = connect(window, &QWindow::visibilityChanged, this, &GuiAppActivity::update);
        m_destroyedConnection = connect(window, &QObject::destroyed, this, &GuiAppActivity::update);
    }
    update();
}

AppActivity::Focus GuiAppActivity::focusOf(Qt::ApplicationState state)
{
    switch (state) {
    case Qt::ApplicationActive:
        return Focus::Active;
    case Qt::ApplicationInactive:
        return Focus::Inactive;
    case Qt::ApplicationHidden:
        return Focus::Hidden;
    case Qt::ApplicationSuspended:
        return Focus::Suspended;
    }
    return Focus::Suspended;
}

bool GuiAppActivity::isShown(QWindow::Visibility visibility)
{
    return visibility != QWindow::Minimized && visibility != QWindow::Hidden;
}

void GuiAppActivity::update()
{
    // When `destroyed` arrives the QPointer is already null, so a destroyed window counts as detached.
    const bool shown = m_window.isNull() || isShown(m_window->visibility());
    publish(combine(focusOf(QGuiApplication::applicationState()), shown));
}

} // namespace qm
