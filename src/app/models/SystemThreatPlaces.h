#pragma once

#include "core/malware/ThreatFinding.h"
#include "platform/FileSystem.h"

#include <string>
#include <vector>

namespace qm {

// Where the malware tab's system-level launch items lie under a system root, and which findings only
// the privileged helper can remove. Answers on values alone: it looks at neither the disk nor the
// helper.
class SystemThreatPlaces
{
public:
    // The folders of SystemThreatRemovalPolicy::allowedParents under `systemRoot`.
    explicit SystemThreatPlaces(const Path& systemRoot);

    // The folders a system-level launch item lies in, as byte prefixes that end in "/":
    // <systemRoot>/etc/xdg/autostart/, <systemRoot>/etc/systemd/system/ and
    // <systemRoot>/etc/systemd/user/, in this order.
    const std::vector<std::string>& prefixes() const { return m_prefixes; }
    // The finding's path begins with one of `prefixes`.
    bool isSystemLevel(const ThreatFinding& finding) const;
    // The finding is a system-level launch item that is neither removable, a test file nor for
    // reference only: only the helper could remove it.
    bool needsHelper(const ThreatFinding& finding) const;
    // The system path of `finding`, which lies under the system root on disk:
    // "/etc/systemd/system/x.service" for "<root>/etc/systemd/system/x.service". A path outside the
    // root is returned as it is.
    Path systemPath(const Path& finding) const;

private:
    Path m_systemRoot;
    std::vector<std::string> m_prefixes;
};

} // namespace qm
