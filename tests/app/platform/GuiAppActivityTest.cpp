#include "app/platform/GuiAppActivity.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QWindow>

#include <gtest/gtest.h>

namespace qm {
namespace {

using State = AppActivity::State;

// Runs the event loop until `done` holds or 10 s pass (a generous bound, never a measurement).
template <typename Predicate> bool settle(Predicate done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// The offscreen platform reports the application active even while its window is minimised; the
// window's visibility is what tells background from active here. (Inactive, visible without focus,
// cannot be produced offscreen; the fake activity covers it.)
TEST(GuiAppActivityTest, AMinimisedWindowReadsBackgroundAndAShownOneActive)
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    ASSERT_NE(application, nullptr);

    GuiAppActivity activity(*application);
    QWindow window;
    window.resize(200, 100);
    window.show();
    window.requestActivate();
    ASSERT_TRUE(settle([&] {
        return window.isExposed() && QGuiApplication::applicationState() == Qt::ApplicationActive;
    })) << "the offscreen platform activates a shown window";
    activity.setWindow(&window);
    EXPECT_EQ(activity.state(), State::Active);

    QSignalSpy resigned(&activity, &AppActivity::resignedActive);
    QSignalSpy became(&activity, &AppActivity::becameActive);
    window.showMinimized();
    ASSERT_TRUE(settle([&] { return activity.state() == State::Background; }))
        << "a minimised window reads background";
    EXPECT_EQ(QGuiApplication::applicationState(), Qt::ApplicationActive) << "what the platform still says";
    EXPECT_EQ(resigned.count(), 1);
    EXPECT_EQ(became.count(), 0);

    window.showNormal();
    ASSERT_TRUE(settle([&] { return activity.state() == State::Active; }));
    EXPECT_EQ(became.count(), 1);

    window.hide();
    ASSERT_TRUE(settle([&] { return activity.state() == State::Background; })) << "a hidden window too";
    window.show();
    ASSERT_TRUE(settle([&] { return activity.state() == State::Active; }));
    EXPECT_EQ(became.count(), 2);

    // Detached, the application state alone decides.
    window.showMinimized();
    ASSERT_TRUE(settle([&] { return activity.state() == State::Background; }));
    activity.setWindow(nullptr);
    EXPECT_EQ(activity.state(), State::Active);
}

} // namespace
} // namespace qm
