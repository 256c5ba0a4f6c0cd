#pragma once

#include "TextPrinter.h"
#include "app/shell/QuillmereApp.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/FakeFolderPicker.h"
#include "support/FakeSoftwareUpdater.h"
#include "support/FixtureHome.h"

#include <QList>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QUrl>

#include <atomic>
#include <memory>

namespace qm {
class ModuleModels;
}

namespace qm::test {

// The application's main window in this process, on a fixture home and config folder, with a fake
// clock, activity source, update service, Full Disk Access probe, URL opener and home-volume reading.
// Keys go to the window as the window system would send them, so the menu shortcuts see them; controls
// follow the pointer's hovering, as on a desktop with a mouse.
class ShellHarness
{
public:
    // What the fakes answer; a test changes them at any time.
    struct Answers
    {
        std::atomic<bool> fullDiskAccess{false};
        std::atomic<qint64> usedBytes{400'000'000'000};
        std::atomic<qint64> totalBytes{1'000'000'000'000};
        // How often the volume was read.
        std::atomic<int> storageReads{0};
        // While true, a Disk page scan waits before it reads the volume (quitting lets it go).
        std::atomic<bool> holdDiskScan{false};
        // Whether the desktop opens the addresses the application asks it to open.
        std::atomic<bool> urlsOpen{true};
    };

    ShellHarness();
    ~ShellHarness();

    // Opens the window (a fresh QuillmereApp and QML engine each time) and waits until it is active;
    // false, with a test failure, when it did not come up.
    bool launch();
    // The first frame the next launch's application waits for, which must outlive the harness; null (the
    // default) means it counts as shown, and a test marks it shown itself.
    void setFirstFrame(FirstFrame* firstFrame) { m_firstFrame = firstFrame; }
    // Closes the window and ends the application object and engine, as quitting the program does. The
    // fixture home, the fakes and their answers stay.
    void quit();

    QQuickWindow* window() const { return m_window; }
    QuillmereApp& app() const { return *m_app; }
    const FixtureHome& home() const { return m_home; }
    FakeClock& clock() { return m_clock; }
    FakeAppActivity& activity() { return m_activity; }
    // The folder chooser of the file tools and the space lens; a test answers it.
    FakeFolderPicker& folderPicker() { return *m_folderPicker; }
    FakeSoftwareUpdater& updater() { return m_updater; }
    Answers& answers() { return m_answers; }
    // Every address the application asked the desktop to open.
    const QList<QUrl>& openedUrls() const { return m_openedUrls; }

    // The window's item or object with this objectName, or null.
    QQuickItem* item(const char* objectName) const;
    QObject* object(const char* objectName) const;
    // A property of the window's root object.
    QVariant windowProperty(const char* name) const;
    // The root view's module models, or null before the root view shows.
    ModuleModels* models() const;
    // The screen the stage shows (not one still fading out), or null.
    QQuickItem* stageScreen() const;

    // Sends one key press and release to the window.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Clicks the middle of `target` with the left button.
    void click(QQuickItem* target);
    // Moves the pointer over the middle of `target` and leaves it there.
    void hover(QQuickItem* target);
    // The menu bar's title item at `index` (the application, File, Go, Help menus), or null.
    QQuickItem* menuBarItem(int index) const;
    // Moves the activity to inactive and back to active, as switching to another application and
    // back does.
    void reactivate();

private:
    FixtureHome m_home;
    FakeClock m_clock;
    FakeAppActivity m_activity;
    std::shared_ptr<FakeFolderPicker> m_folderPicker = std::make_shared<FakeFolderPicker>();
    FirstFrame* m_firstFrame = nullptr;
    FakeSoftwareUpdater m_updater;
    Answers m_answers;
    QList<QUrl> m_openedUrls;
    std::unique_ptr<QuillmereApp> m_app;
    std::unique_ptr<QQmlEngine> m_engine;
    QQuickWindow* m_window = nullptr;
};

// Runs the event loop until `done` holds or 10 s pass; returns `done()`.
template <typename Predicate> bool waitFor(Predicate done);

} // namespace qm::test

#include <QCoreApplication>
#include <QElapsedTimer>

template <typename Predicate> bool qm::test::waitFor(Predicate done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}
