#pragma once

#include "platform/AppActivity.h"

#include <QPointer>
#include <QWindow>

class QGuiApplication;

namespace qm {

// The activity of this running application: the window system's application state combined with
// the main window's visibility, re-evaluated whenever either changes. Until a window is attached
// the application state alone decides.
class GuiAppActivity final : public AppActivity
{
    Q_OBJECT

public:
    // Follows `application`, which must outlive this object.
    explicit GuiAppActivity(QGuiApplication& application, QObject* parent = nullptr);

    // Follows `window` from now on (the QML engine creates it after the application starts); null
    // detaches. A destroyed window counts as detached.
    void setWindow(QWindow* window);

    // QtGui's enums mapped onto the QtCore-only ones `AppActivity::combine` takes.
    static Focus focusOf(Qt::ApplicationState state);
    static bool isShown(QWindow::Visibility visibility);

private:
    void update();

    QGuiApplication& m_application;
    QPointer<QWindow> m_window;
    QMetaObject::Connection m_visibilityConnection;
    QMetaObject::Connection m_destroyedConnection;
};

} // namespace qm
