#include "support/EventLoopWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThreadPool>

#include <algorithm>

namespace qm::test {

bool settle(const std::function<bool()>& done, int limitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void drain()
{
    for (int round = 0; round < 10; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
}

void widenPool()
{
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setMaxThreadCount(std::max(8, pool->maxThreadCount()));
}

void spin(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace qm::test
