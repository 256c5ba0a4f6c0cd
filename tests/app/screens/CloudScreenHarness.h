#pragma once

#include "app/models/CloudCleanupViewModel.h"
#include "support/FakeCloudDrive.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSize>
#include <QStringList>

#include <filesystem>
#include <memory>

namespace qm::test {

// The Cloud Cleanup page in a window of this process, on the module's backdrop and tint, drawn from
// the real Cloud Cleanup model over either this machine's cloud drive (none) or a fake drive whose
// folder, "iCloud", lies in a temp tree. Build the fixture first, then `open`.
class CloudScreenHarness
{
public:
    // `withFakeDrive`: the fake drive reporting `root()`; otherwise the real one.
    explicit CloudScreenHarness(bool withFakeDrive);
    // Waits for every pool job before the fixture goes.
    ~CloudScreenHarness();
    CloudScreenHarness(const CloudScreenHarness&) = delete;
    CloudScreenHarness& operator=(const CloudScreenHarness&) = delete;

    TempTree& tree() { return m_tree; }
    std::filesystem::path root() const { return m_tree.path("iCloud"); }
    // Null with the real drive.
    FakeCloudDrive* drive() const { return m_drive.get(); }
    // A file in the drive's folder that the cloud already holds.
    std::filesystem::path uploaded(const std::filesystem::path& relative, qint64 size);

    // Makes the model and shows the page in a window of `size` logical pixels; false, with the QML
    // errors in `errors()`, when it did not load.
    bool open(QSize size);
    CloudCleanupViewModel& model() { return *m_model; }
    QQuickWindow* window() const { return m_window.get(); }
    QQuickItem* page() const { return m_page; }
    // An object-typed property of the page (its aliases: "content", "freeConfirm", ...).
    QObject* pageObject(const char* property) const;
    // The object name of the content shown now ("unavailableState", "resultsState", ...).
    QString contentName() const;
    // The first visible item named `objectName` under `under` (the whole window when null).
    QQuickItem* find(const QString& objectName, const QQuickItem* under = nullptr) const;
    // Every visible item named `objectName` under the window, depth first.
    QList<QQuickItem*> findAll(const QString& objectName) const;
    // Clicks the middle of `target` with the left button.
    void click(QQuickItem* target);
    // Warnings and errors Qt reported since the harness was made.
    QStringList warnings() const;
    QStringList errors() const { return m_errors; }

    template <typename Predicate> bool settle(Predicate done);
    void drain();
    void wait(int ms);
    QImage grab();

private:
    TempTree m_tree;
    std::shared_ptr<FakeCloudDrive> m_drive;
    std::unique_ptr<CloudCleanupViewModel> m_model;
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<QQuickWindow> m_window;
    QQuickItem* m_root = nullptr;
    QQuickItem* m_page = nullptr;
    QStringList m_errors;
    QByteArray m_savedBackend;
    bool m_hadBackend = false;
};

// Runs the event loop until `done` holds or 30 s pass (a generous bound, never a measurement).
template <typename Predicate> bool CloudScreenHarness::settle(Predicate done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 30'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace qm::test
