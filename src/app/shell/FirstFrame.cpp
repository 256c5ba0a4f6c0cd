#include "app/shell/FirstFrame.h"

#include <QQuickWindow>

#include <utility>

namespace qm {

FirstFrame::FirstFrame(bool shown, QObject* parent) : QObject(parent), m_shown(shown) {}

void FirstFrame::watch(QQuickWindow* window)
{
    if (m_shown || window == nullptr)
        return;
    m_watch =
        connect(window, &QQuickWindow::frameSwapped, this, &FirstFrame::markShown, Qt::QueuedConnection);
}

void FirstFrame::markShown()
{
    if (m_shown)
        return;
    disconnect(m_watch);
    m_shown = true;
    emit shownChanged();
}

void FirstFrame::whenShown(QObject* context, std::function<void()> work)
{
    if (m_shown) {
        work();
        return;
    }
    connect(this, &FirstFrame::shownChanged, context, std::move(work), Qt::SingleShotConnection);
}

} // namespace qm
