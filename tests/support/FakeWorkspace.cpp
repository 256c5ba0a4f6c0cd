#include "support/FakeWorkspace.h"

namespace qm::test {

void FakeWorkspace::reveal(const Path& path)
{
    m_revealed.push_back(path);
}

void FakeWorkspace::openUrl(const QUrl& url)
{
    m_opened.push_back(url);
}

std::vector<RunningApplication> FakeWorkspace::runningApplications() const
{
    ++m_runningReads;
    return m_running;
}

void FakeWorkspace::terminate(const RunningApplication& application)
{
    m_terminated.push_back(application);
    if (m_onTerminate)
        m_onTerminate(application);
}

} // namespace qm::test
