#pragma once

#include "platform/FolderPicker.h"

#include <vector>

namespace qm::test {

// A chooser that records each request and keeps its answer until the test gives one with `answer`.
class FakeFolderPicker final : public FolderPicker
{
public:
    struct Request
    {
        QString message;
        std::optional<Path> start;
    };

    void choose(const QString& message, const std::optional<Path>& start, Answer answer) override;

    // Every request so far, in order.
    const std::vector<Request>& requests() const { return m_requests; }
    // Whether a request waits for its answer.
    bool pending() const { return static_cast<bool>(m_pending); }
    // Answers the waiting request (nothing: cancelled); does nothing when none waits.
    void answer(const std::optional<Path>& folder);

private:
    std::vector<Request> m_requests;
    Answer m_pending;
};

} // namespace qm::test
