#include "support/FakeAppLocator.h"

namespace qm::test {

void FakeAppLocator::install(const QString& bundleID, const Path& url)
{
    const std::lock_guard lock(m_mutex);
    m_apps[bundleID.toLower()] = url;
}

void FakeAppLocator::onQuestion(std::function<void(const QString&)> hook)
{
    const std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

std::optional<Path> FakeAppLocator::urlForApplication(const QString& bundleID) const
{
    std::function<void(const QString&)> hook;
    {
        const std::lock_guard lock(m_mutex);
        m_questions.push_back(bundleID);
        hook = m_hook;
    }
    if (hook)
        hook(bundleID);
    const std::lock_guard lock(m_mutex);
    if (bundleID.isEmpty())
        return std::nullopt;
    const auto it = m_apps.find(bundleID.toLower());
    if (it == m_apps.end())
        return std::nullopt;
    return it->second;
}

std::vector<QString> FakeAppLocator::questions() const
{
    const std::lock_guard lock(m_mutex);
    return m_questions;
}

} // namespace qm::test
