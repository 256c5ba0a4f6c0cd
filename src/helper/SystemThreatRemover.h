#pragma once

#include "platform/CodeSigner.h"
#include "platform/FileSystem.h"
#include "platform/ProcessRunner.h"
#include "protocol/HelperProtocol.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>

namespace qm {

// Removes a system-level launch item for the application: checks every path under the removal policy
// and on disk, refuses items whose code is Apple's own or notarized, stops a system unit being removed
// (its file or an enable link) when systemd says it loaded that unit from one of the files being removed,
// deletes the items for good (then has systemd reload) and answers with one sentence. Every refusal comes
// before the first stop, and every stop before the first deletion. It acts on system root + path, opens
// folders without following links, and fails closed: only "does not exist" counts as gone. A path named
// several times is checked once, yet counted in the answer as often as it is named. Holds no state between
// calls; safe from several threads at once.
class SystemThreatRemover
{
public:
    // Requests with more paths than this are refused whole.
    static constexpr qsizetype kMaxPaths = 1000;
    // A path longer than this (UTF-8 bytes) is refused like one outside the allowed locations.
    static constexpr std::size_t kMaxPathBytes = 4096;

    // The requirement a program must not satisfy: Apple's own code, or code signed with a Developer
    // ID certificate and notarized.
    static QString protectedCodeRequirement();
    // The note added when a job may still be running.
    static QString stillRunningNote();

    SystemThreatRemover(Path systemRoot, Path systemctlProgram, std::shared_ptr<const ProcessRunner> runner,
                        std::shared_ptr<const CodeSigner> signer);

    // Handles one removal request for the absolute system `paths` and answers (ok, sentence). The
    // request's label names no job here (units are stopped by the names of the paths) and is not used;
    // the message keeps it for its shape.
    HelperProtocol::HelperReply remove(const QString& label, const QStringList& paths) const;

private:
    // The file systemd loaded `unit` from ("systemctl show -P FragmentPath"), or nothing when it knows
    // no such file or cannot be asked. Its output is not passed on to the journal.
    std::optional<std::string> fragmentPath(const std::string& unit) const;
    // "systemctl <arguments>" exits 0; a systemctl that cannot be run counts as a no.
    bool systemctl(std::vector<std::string> arguments) const;

    Path m_systemRoot;
    Path m_systemctl;
    std::shared_ptr<const ProcessRunner> m_runner;
    std::shared_ptr<const CodeSigner> m_signer;
};

} // namespace qm
