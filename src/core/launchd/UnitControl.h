#pragma once

#include "platform/FileSystem.h"
#include "platform/ProcessRunner.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace qm {

// Asks one systemd manager (the user's or the system's) about a unit and starts, stops or reloads,
// through systemctl run by the process runner: an absolute program path, a fixed environment (for the
// user's manager, this user's runtime folder beside it), a time limit, and "--" before every unit name
// so a name read from disk is never taken for an option. Where systemd does not answer (no manager,
// no systemctl, a run that fails or is killed) a unit counts as not loaded and a change as not made.
// Blocks its caller while systemctl runs. A plain value, safe to copy to another thread.
class UnitControl
{
public:
    enum class Manager { user, system };

    // The systemctl program asked.
    static inline const Path kSystemctl{"/bin/systemctl"};
    // How long one systemctl run may take before its process group is killed.
    static constexpr std::chrono::milliseconds kTimeLimit{15'000};

    // A null `runner` means the real one.
    explicit UnitControl(Manager manager, std::shared_ptr<const ProcessRunner> runner = {},
                         Path systemctl = kSystemctl);

    // Unit names are the raw bytes of their file names. A name systemctl could read as a pattern or
    // that is no unit name at all is never passed on: the question answers no and the change fails.
    // "systemctl [--user] is-active -- UNIT" exits 0: the unit is loaded and running.
    bool isActive(const std::string& unit) const;
    // "systemctl [--user] stop -- UNIT" / "start -- UNIT"; true when systemctl exits 0.
    bool stop(const std::string& unit) const;
    bool start(const std::string& unit) const;
    // "systemctl [--user] daemon-reload": the manager reads its unit folders again.
    bool reload() const;

    Manager manager() const { return m_manager; }

private:
    bool run(std::vector<std::string> arguments) const;

    Manager m_manager;
    std::shared_ptr<const ProcessRunner> m_runner;
    Path m_systemctl;
};

} // namespace qm
