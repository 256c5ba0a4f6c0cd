#pragma once

#include <QMetaObject>
#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <functional>

class QQuickWindow;

namespace qm {

// Whether the window has shown its first frame. What the application starts at launch (the storage
// monitor, the helper's registration check, the first page's work on appearing) waits for it, so that
// the first frame waits for nothing but the window itself. Made shown unless told otherwise, which is
// what tests and every other window use; the program makes one that waits and opens it from the window's
// first swapped frame. Lives on the GUI thread.
class FirstFrame : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application object holds the one FirstFrame")
    Q_PROPERTY(bool shown READ shown NOTIFY shownChanged)

public:
    explicit FirstFrame(bool shown = true, QObject* parent = nullptr);

    bool shown() const { return m_shown; }
    // Marks the frame shown once `window` has swapped its first frame (a signal of the render thread;
    // the change is made on this object's thread). Does nothing once shown.
    void watch(QQuickWindow* window);
    // Marks the frame shown; only the first call changes anything.
    void markShown();
    // Runs `work` now when the frame is shown, otherwise right after it is, on this thread, unless
    // `context` is gone by then.
    void whenShown(QObject* context, std::function<void()> work);

signals:
    void shownChanged();

private:
    bool m_shown;
    QMetaObject::Connection m_watch;
};

} // namespace qm
