#pragma once

// Stand-ins for the Applications model's lister and sizer: a lister whose completions the test
// releases with the listing to deliver, and a sizer, shared with the sizing thread, that records each
// call and answers sizes the test chose.

#include "app/models/ApplicationsViewModel.h"

#include <QThreadPool>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

// Keeps the completion of every listing the model starts, numbered from 0 in the order they were
// started, until the test releases it with the listing to deliver. Lives on the test's thread; a
// completion never released is dropped with the lister.
class ScriptedLister
{
public:
    ApplicationsViewModel::Lister lister()
    {
        return [this](ApplicationsViewModel::ListingDone done) { m_pending.push_back(std::move(done)); };
    }

    // How many listings were started.
    int calls() const { return int(m_pending.size()); }
    // Delivers `listing` as the result of listing `call`; false when there is no such call or it was
    // released already. The model takes the result on its next turn of the event loop.
    bool release(int call, AppScanner::Listing listing)
    {
        if (call < 0 || call >= calls() || !m_pending[std::size_t(call)])
            return false;
        auto done = std::exchange(m_pending[std::size_t(call)], nullptr);
        done(std::move(listing));
        return true;
    }

private:
    std::vector<ApplicationsViewModel::ListingDone> m_pending;
};

// Answers the size chosen for each path (by its bytes; 0 for any other path) and records every call
// with its arguments. `hold` makes later calls wait until `open` (or until the sizing job is stopped,
// which then gets 0).
class RecordingSizer
{
public:
    struct Call
    {
        Path of;
        std::vector<Path> excluding;
        qint64 nodeLimit = 0;
        bool flagCapAsIncomplete = true;
        double deadline = 0;
        bool hadCoverage = true;
    };

    ApplicationsViewModel::Sizer sizer()
    {
        return [this](const Path& of, const std::vector<Path>& excluding, qint64 nodeLimit,
                      bool flagCapAsIncomplete, double deadline, CoverageFlag* coverage,
                      std::stop_token stop) {
            return size(Call{of, excluding, nodeLimit, flagCapAsIncomplete, deadline, coverage != nullptr},
                        stop);
        };
    }

    void set(const Path& path, qint64 bytes)
    {
        const std::lock_guard lock(m_mutex);
        m_sizes[path.native()] = bytes;
    }
    // Forgets every size, call and hold, for a new model.
    void reset()
    {
        const std::lock_guard lock(m_mutex);
        m_sizes.clear();
        m_calls.clear();
        m_held = false;
        m_changed.notify_all();
    }
    void hold()
    {
        const std::lock_guard lock(m_mutex);
        m_held = true;
    }
    void open()
    {
        const std::lock_guard lock(m_mutex);
        m_held = false;
        m_changed.notify_all();
    }
    std::vector<Call> calls()
    {
        const std::lock_guard lock(m_mutex);
        return m_calls;
    }
    // Waits (up to 30 s) until `count` calls have been made.
    bool waitForCalls(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(30), [&] { return m_calls.size() >= count; });
    }

private:
    qint64 size(Call call, std::stop_token stop)
    {
        std::unique_lock lock(m_mutex);
        const Path of = call.of;
        m_calls.push_back(std::move(call));
        m_changed.notify_all();
        if (!m_changed.wait(lock, stop, [&] { return !m_held; }))
            return 0;
        const auto known = m_sizes.find(of.native());
        return known == m_sizes.end() ? 0 : known->second;
    }

    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::map<std::string, qint64> m_sizes;
    std::vector<Call> m_calls;
    bool m_held = false;
};

} // namespace qm::test
