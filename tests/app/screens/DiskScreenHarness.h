#pragma once

#include "ScreenHarness.h"
#include "app/models/DiskViewModel.h"
#include "support/FakeWorkspace.h"
#include "support/TempTree.h"

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
    QQuickWindow* window() const { return m_screen.window(); }
    // The DiskView item.
    QQuickItem* page() const { return m_screen.page(); }
    // The first visible item named `objectName` under `under` (the whole window when null), depth
    // first along the visual tree; null when there is none.
    QQuickItem* find(const QString& objectName, const QQuickItem* under = nullptr) const
    {
        return m_screen.find(objectName, under);
    }
    // Clicks the middle of `target` with the left button, scrolling the page to it first.
    void click(QQuickItem* target);
    // Warnings and errors Qt reported since `open`.
    QStringList warnings() const { return m_screen.warnings(); }
    QStringList errors() const { return m_screen.errors(); }

    // Runs the event loop until `done` holds or 30 s pass (a generous bound, never a measurement).
    template <typename Predicate> bool settle(Predicate done) { return m_screen.settle(done); }
    // Runs the event loop until the model has a report and no scan runs.
    bool settleScan();
    // Lets pending frames and animations of `ms` milliseconds play.
    void wait(int ms) { m_screen.wait(ms); }
    QImage grab() { return m_screen.grab(); }

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
    // The window, the engine and Qt's warnings; it keeps gsettings on its memory back end.
    ScreenHarness m_screen;
    QByteArray m_savedCache;
    bool m_hadCache = false;
};

} // namespace qm::test
