#include "support/FakeFolderPicker.h"

#include <utility>

namespace qm::test {

void FakeFolderPicker::choose(const QString& message, const std::optional<Path>& start, Answer answer)
{
    m_requests.push_back(Request{message, start});
    m_pending = std::move(answer);
}

void FakeFolderPicker::answer(const std::optional<Path>& folder)
{
    Answer pending = std::exchange(m_pending, {});
    if (pending)
        pending(folder);
}

} // namespace qm::test
