#pragma once

#include "platform/Workspace.h"

#include <QUrl>

#include <functional>
#include <vector>

namespace qm::test {

// A desktop that records what it was asked to show, open or quit, and answers the running
// applications a test set.
class FakeWorkspace final : public Workspace
{
public:
    void reveal(const Path& path) override;
    void openUrl(const QUrl& url) override;
    // The list set last, as set (the test keeps it in process-id order).
    std::vector<RunningApplication> runningApplications() const override;
    // Records the request and calls the hook set by `onTerminate`; the list stays as it is.
    void terminate(const RunningApplication& application) override;

    // Every path revealed and every address opened so far, in order.
    const std::vector<Path>& revealed() const { return m_revealed; }
    const std::vector<QUrl>& opened() const { return m_opened; }

    void setRunning(std::vector<RunningApplication> running) { m_running = std::move(running); }
    // Every quit request so far, in order.
    const std::vector<RunningApplication>& terminated() const { return m_terminated; }
    // Runs on every quit request, after it is recorded.
    void onTerminate(std::function<void(const RunningApplication&)> hook) { m_onTerminate = std::move(hook); }
    // How often the running applications were read.
    int runningReads() const { return m_runningReads; }

private:
    std::vector<Path> m_revealed;
    std::vector<QUrl> m_opened;
    std::vector<RunningApplication> m_running;
    std::vector<RunningApplication> m_terminated;
    std::function<void(const RunningApplication&)> m_onTerminate;
    mutable int m_runningReads = 0;
};

} // namespace qm::test
