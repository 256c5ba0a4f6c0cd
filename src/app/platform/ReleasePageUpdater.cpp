#include "app/platform/ReleasePageUpdater.h"

#include "app/platform/DesktopOpenFailures.h"

#include <QDesktopServices>

#include <utility>

namespace qm {

ReleasePageUpdater::ReleasePageUpdater(QUrl releasePage, UrlOpener open)
    : m_releasePage(std::move(releasePage)),
      m_open(open ? std::move(open)
                  : UrlOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); }))
{}

void ReleasePageUpdater::start()
{
    m_started = true;
}

void ReleasePageUpdater::checkForUpdates()
{
    if (m_releasePage.isValid() && !m_open(m_releasePage))
        DesktopOpenFailures::instance().addressNotOpened(m_releasePage);
}

} // namespace qm
