#include "platform/Clock.h"

#include <QObject>

namespace qm {

Clock::~Clock() = default;

void Clock::callAfter(std::chrono::milliseconds delay, QObject* context, std::function<void()> action)
{
    Timer* timer = createTimer().release();
    timer->setParent(context);
    QObject::connect(timer, &Timer::timeout, context, [timer, action = std::move(action)] {
        timer->deleteLater();
        action();
    });
    timer->start(delay, false);
}

} // namespace qm
