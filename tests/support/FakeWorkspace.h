#pragma once

#include "platform/Workspace.h"

#include <QUrl>

#include <vector>

namespace qm::test {

// A desktop that only records what it was asked to show or open.
class FakeWorkspace final : public Workspace
{
public:
    void reveal(const Path& path) override;
    void openUrl(const QUrl& url) override;

    // Every path revealed and every address opened so far, in order.
    const std::vector<Path>& revealed() const { return m_revealed; }
    const std::vector<QUrl>& opened() const { return m_opened; }

private:
    std::vector<Path> m_revealed;
    std::vector<QUrl> m_opened;
};

} // namespace qm::test
