#pragma once

#include "platform/AppLocator.h"

#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace qm::test {

// An application look-up that knows exactly the applications a test tells it of (identifiers compare
// ignoring case, as the real look-up does) and records every question. Safe from several threads.
class FakeAppLocator final : public AppLocator
{
public:
    // From now on `bundleID` names the application at `url`.
    void install(const QString& bundleID, const Path& url);
    // Called (outside the lock) at the start of every question; tests use it to act in the middle of
    // a scan, for example to cancel it.
    void onQuestion(std::function<void(const QString& bundleID)> hook);

    std::optional<Path> urlForApplication(const QString& bundleID) const override;

    // Every identifier asked about so far, in order, as asked.
    std::vector<QString> questions() const;

private:
    mutable std::mutex m_mutex;
    std::map<QString, Path> m_apps; // lower-cased identifier -> bundle
    std::function<void(const QString&)> m_hook;
    mutable std::vector<QString> m_questions;
};

} // namespace qm::test
