#pragma once

#include "platform/SoftwareUpdater.h"

#include <QUrl>

#include <functional>

namespace qm {

// The update service of this platform: there is no update framework here, so a check opens the
// product's release page in the default browser, where the user sees whether a newer version exists.
// It schedules nothing of its own.
class ReleasePageUpdater final : public SoftwareUpdater
{
public:
    // Opens a web address; returns whether the desktop accepted it.
    using UrlOpener = std::function<bool(const QUrl&)>;

    // Checks lead to `releasePage`, opened with `open` (by default the desktop's URL handler).
    explicit ReleasePageUpdater(QUrl releasePage, UrlOpener open = {});

    // Marks the service started; nothing is scheduled, because this service checks only on request.
    void start() override;
    // Opens the release page. When no browser takes it, `DesktopOpenFailures` is told the address, so
    // the window says so; what the page shows is not read.
    void checkForUpdates() override;

    bool isStarted() const { return m_started; }

private:
    QUrl m_releasePage;
    UrlOpener m_open;
    bool m_started = false;
};

} // namespace qm
