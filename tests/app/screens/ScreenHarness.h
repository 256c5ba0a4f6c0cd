#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSize>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace qm::test {

// A module page in a window of this process, loaded from a small host document that draws the module's
// backdrop, puts its tint in scope and exposes the page as its `page` property. Collects Qt's warnings
// from the moment it is made, keeps the motion preference out of the real home, and waits for every
// pool job when it goes. The models the page shows belong to the test and must outlive the harness.
class ScreenHarness
{
public:
    ScreenHarness();
    ~ScreenHarness();
    ScreenHarness(const ScreenHarness&) = delete;
    ScreenHarness& operator=(const ScreenHarness&) = delete;

    // Runs on the new engine before the host loads (an image provider, a design setting); a non-empty
    // answer is an error that stops the load.
    using Prepare = std::function<QString(QQmlEngine&)>;
    // Creates `hostQml` with `properties` in a window of `size` logical pixels and shows it; false, with
    // the QML errors in `errors()`, when it did not load.
    bool open(const char* hostQml, const QVariantMap& properties, QSize size, const Prepare& prepare = {});
    // Sets the design's reduce-motion setting on `engine`; the QML error, or empty when it was set.
    static QString setReduceMotion(QQmlEngine& engine, bool reduceMotion);
    // Destroys the window and the page, as leaving the module does.
    void close();

    QQuickWindow* window() const { return m_window.get(); }
    QQuickItem* host() const { return m_root; }
    QQuickItem* page() const { return m_page; }
    // An object-typed property of the page (its aliases: "content", "header", ...).
    QObject* pageObject(const char* property) const;
    // The object name of what the page's "content" loader shows now.
    QString contentName() const;
    // The first visible item named `objectName` under `under` (the whole window when null).
    QQuickItem* find(const QString& objectName, const QQuickItem* under = nullptr) const;
    // Every visible item named `objectName` under `under` (the whole window when null), depth first.
    QList<QQuickItem*> findAll(const QString& objectName, const QQuickItem* under = nullptr) const;
    // Every visible item whose name starts with `prefix`, depth first.
    QList<QQuickItem*> findAllStartingWith(const QString& prefix) const;
    // Clicks the middle of `target` with the left button.
    void click(QQuickItem* target);
    // Scrolls the page's `scroll` flickable so that `target` stands in its middle, as far as it goes;
    // nothing when the page has none or `target` lies outside it.
    void scrollIntoView(QQuickItem* target);
    // Warnings and errors Qt reported since the harness was made.
    QStringList warnings() const;
    QStringList errors() const { return m_errors; }

    template <typename Predicate> bool settle(Predicate done);
    void drain();
    void wait(int ms);
    QImage grab();

private:
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<QQuickWindow> m_window;
    QQuickItem* m_root = nullptr;
    QQuickItem* m_page = nullptr;
    QStringList m_errors;
    QByteArray m_savedBackend;
    bool m_hadBackend = false;
};

// Runs the event loop until `done` holds or 30 s pass (a generous bound, never a measurement).
template <typename Predicate> bool ScreenHarness::settle(Predicate done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 30'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace qm::test
