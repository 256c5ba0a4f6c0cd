#include "app/shell/ReturnPressesButtons.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QQuickItem>

namespace qm {
namespace {

// A push button that holds the keyboard focus: Qt Quick's buttons, not the rows of lists and menus
// (which are buttons too, and act on Return themselves).
bool isFocusedPushButton(QObject* watched)
{
    auto* item = qobject_cast<QQuickItem*>(watched);
    if (item == nullptr || !item->hasActiveFocus() || !item->isEnabled() || !item->isVisible())
        return false;
    if (!item->inherits("QQuickAbstractButton"))
        return false;
    for (const char* row : {"QQuickItemDelegate", "QQuickMenuItem", "QQuickMenuBarItem"}) {
        if (item->inherits(row))
            return false;
    }
    return true;
}

} // namespace

ReturnPressesButtons::ReturnPressesButtons(QObject* parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

ReturnPressesButtons::~ReturnPressesButtons()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool ReturnPressesButtons::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !isFocusedPushButton(watched))
        return false;
    event->accept();
    // A shortcut on Return (a dialog's default button) gives way to the focused button.
    if (type == QEvent::ShortcutOverride)
        return true;
    if (!key->isAutoRepeat()) {
        QKeyEvent space(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(watched, &space);
    }
    return true;
}

} // namespace qm
