#pragma once

namespace qm {

// The application's software-update service. The program creates one at launch and starts it at once;
// the "Check for Updates…" command asks it to check. Whatever a check finds is the service's own to
// show: nothing is reported back to the caller. The program passes a `ReleasePageUpdater`, tests a
// `FakeSoftwareUpdater`.
class SoftwareUpdater
{
public:
    virtual ~SoftwareUpdater();

    // Starts the service's own schedule; called once, when the application starts. Does not check
    // for updates by itself unless the service schedules that.
    virtual void start() = 0;
    // Checks for a newer version because the user asked to. Returns at once.
    virtual void checkForUpdates() = 0;
};

} // namespace qm
