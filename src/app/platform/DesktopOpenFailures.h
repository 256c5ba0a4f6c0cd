#pragma once

#include "platform/FileSystem.h"

#include <QObject>
#include <QString>
#include <QUrl>

namespace qm {

// Where the desktop's refusals to open something are told, so the window can say so: the workspace
// (reveal, open an address), the application's help links and the update check report here when no
// program took an address or no file manager showed a path. It keeps nothing; the main window shows each
// report in its alert. One for the process, on the GUI thread.
class DesktopOpenFailures final : public QObject
{
    Q_OBJECT

public:
    static DesktopOpenFailures& instance();

    // Nothing opened `url`: a web address, a local folder or another link.
    void addressNotOpened(const QUrl& url);
    // No file manager showed `path`, and its folder did not open either.
    void itemNotShown(const Path& path);

signals:
    // One sentence each for the alert's title and message, and the address or path that did not open,
    // as the user may copy it.
    void failed(const QString& title, const QString& message, const QString& subject);

private:
    DesktopOpenFailures() = default;
};

} // namespace qm
