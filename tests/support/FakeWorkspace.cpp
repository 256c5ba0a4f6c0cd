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

} // namespace qm::test
