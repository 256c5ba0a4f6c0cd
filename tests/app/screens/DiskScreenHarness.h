#pragma once

#include "app/models/DiskViewModel.h"
#include "support/FakeWorkspace.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSize>
#include <QStringList>

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>

namespace qm::test {

// The Disk page in a window of this process, drawn from the real Disk model and scanner over a home
// folder named "h\xff" in a temp tree (and an empty system root beside it), with a fake desktop. The
// home volume's reading is an answer the test sets, and a test may hold every scan at that reading.
// While it lives gsettings uses its memory back end and XDG_CACHE_HOME lies in the temp tree.
class DiskScreenHarness
{
public:
    DiskScreenHarness();
    // Lets a held scan go and waits for every pool job before the fixture goes.
    ~DiskScreenHarness();
    DiskScreenHarness(const DiskScreenHarness&) = delete;
    DiskScreenHarness& operator=(const DiskScreenHarness&) = delete;

    TempTree& tree() { return m_tree; }
    // The home folder, raw bytes.
    std::filesystem::path home() const;
    FakeWorkspace& workspace() { return *m_workspace; }
    // What the volume reading answers (nothing: the volume cannot be read).
    void setVolume(std::optional<VolumeSpace> space);
    // While held, a scan waits at the volume reading; `holding` says one is waiting there now.
    void holdScans(bool hold);
    bool holding() const { return m_waiting.load() > 0; }

    // Makes the model and shows the page in a window of `size` on the Disk module's backdrop and tint,
    // with the design's reduce-motion setting as given; false, with the QML errors in `errors()`, when
    // it did not load.
    bool open(QSize size, bool reduceMotion = true);
    DiskViewModel& model() { return *m_model; }
    QQuickWindow* window() const { return m_window.get(); }
    // The DiskView item.
    QQuickItem* page() const { return m_page; }
    // The first visible item named `objectName` under `under` (the whole window when null), depth
    // first along the visual tree; null when there is none.
    QQuickItem* find(const QString& objectName, const QQuickItem* under = nullptr) const;
    // Clicks the middle of `target` with the left button, scrolling the page to it first.
    void click(QQuickItem* target);
    // Warnings and errors Qt reported since `open`.
    QStringList warnings() const;
    QStringList errors() const { return m_errors; }

    // Runs the event loop until `done` holds or 30 s pass (a generous bound, never a measurement).
    template <typename Predicate> bool settle(Predicate done);
    // Runs the event loop until the model has a report and no scan runs.
    bool settleScan();
    // Lets pending frames and animations of `ms` milliseconds play.
    void wait(int ms);
    QImage grab();

private:
    TempTree m_tree;
    std::shared_ptr<FakeWorkspace> m_workspace = std::make_shared<FakeWorkspace>();
    // Shared with scan jobs, which may outlive a test's expectations but never the harness.
    struct VolumeAnswer
    {
        std::mutex mutex;
        std::optional<VolumeSpace> space;
        std::atomic<bool> hold{false};
    };
    std::shared_ptr<VolumeAnswer> m_volume = std::make_shared<VolumeAnswer>();
    std::atomic<int> m_waiting{0};
    std::unique_ptr<DiskViewModel> m_model;
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<QQuickWindow> m_window;
    QQuickItem* m_root = nullptr;
    QQuickItem* m_page = nullptr;
    QStringList m_errors;
    QByteArray m_savedBackend;
    bool m_hadBackend = false;
    QByteArray m_savedCache;
    bool m_hadCache = false;
};

template <typename Predicate> bool DiskScreenHarness::settle(Predicate done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 30'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace qm::test
