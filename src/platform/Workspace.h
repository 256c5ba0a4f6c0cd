#pragma once

#include "platform/FileSystem.h"
#include "platform/RunningApplication.h"

#include <QUrl>

#include <vector>

namespace qm {

// The desktop around the application: showing a file in the file manager, opening an address with
// whatever the desktop has for it, and the user's running programs. Reveal and open return
// at once and report nothing back; what the desktop does with them is its own business. It has no
// signals: `RunningAppWatcher` tells launches and terminations by polling. The program passes a
// `GuiWorkspace`, tests a `FakeWorkspace`. Used on the GUI thread only.
class Workspace
{
public:
    virtual ~Workspace();

    // Shows `path` selected in its folder in the file manager; where no file manager answers, the
    // folder that holds it is opened instead. Reads nothing itself.
    virtual void reveal(const Path& path) = 0;
    // Opens `url`: a web address in the browser, a file address of a folder in the file manager.
    virtual void openUrl(const QUrl& url) = 0;
    // The user's own processes running now, in process-id order, each with its executable, its Flatpak
    // id where it has one; another user's process, or one whose executable cannot be
    // read, is left out. Reads, never blocks on a file.
    virtual std::vector<RunningApplication> runningApplications() const = 0;
    // Asks `application` politely to quit (SIGTERM); it may ignore the request. Reports nothing, and
    // leaves a process alone that no longer runs that executable or is no longer the user's.
    virtual void terminate(const RunningApplication& application) = 0;

    // The file address of an absolute `path`, byte for byte: every byte outside the unreserved set
    // and "/" is percent-encoded, so a name that is not UTF-8 still names the same file.
    static QUrl fileUrl(const Path& path);
};

} // namespace qm
