#include "helper/SystemThreatRemover.h"

#include "helper/ConfinedTree.h"
#include "helper/HelperShell.h"
#include "protocol/SystemThreatRemovalPolicy.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <set>

namespace qm {
namespace {

using HelperProtocol::HelperReply;
namespace Policy = SystemThreatRemovalPolicy;

const QString kRefusedPrefix = QStringLiteral("Refused \u2014 ");

HelperReply resolvesOutside()
{
    return HelperReply{false, kRefusedPrefix +
                                  QStringLiteral("a path resolves outside the allowed system locations")};
}

// The UTF-8 bytes of a string from the bus, or nothing when it is not well-formed text or is longer
// than `maxBytes`. The bus already refuses malformed UTF-8; this keeps the check next to its use.
std::optional<std::string> checkedText(const QString& text, std::size_t maxBytes)
{
    if (!text.isValidUtf16())
        return std::nullopt;
    const QByteArray bytes = text.toUtf8();
    if (static_cast<std::size_t>(bytes.size()) > maxBytes)
        return std::nullopt;
    return bytes.toStdString();
}

// An accepted path has no empty, "." or ".." component, so its parent is the text before the last "/"
// and its name the text after it.
std::string parentOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

bool startsWith(const std::string& text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool isMissing(const Error& error)
{
    return error.isPosix(ENOENT);
}

// The C library's sentence for a file error ("Permission denied"), without the path it was met on.
QString reason(const Error& error)
{
    return error.domain() == ErrorDomain::Posix ? Error::posix(error.code()).description()
                                                : error.description();
}

// Whether the folder holding `path` is, once links are resolved, exactly an allowed folder under the
// root, and can be reached from the root without passing a link. A folder that does not exist passes
// (there is nothing there to remove); any other failure to resolve or open it refuses.
bool parentStaysInside(const ConfinedTree& tree, const std::string& path)
{
    const std::string parent = parentOf(path);
    const Path host = tree.hostPath(parent);
    char buffer[PATH_MAX];
    if (::realpath(host.c_str(), buffer)) {
        const std::string resolved(buffer);
        const std::string& root = tree.resolvedRoot().native();
        std::string inside;
        if (root == "/")
            inside = resolved;
        else if (resolved.size() > root.size() && startsWith(resolved, root) && resolved[root.size()] == '/')
            inside = resolved.substr(root.size());
        else
            return false;
        if (!Policy::isAllowedParent(inside))
            return false;
    } else if (errno != ENOENT) {
        return false;
    }
    const Result<UniqueFd> folder = tree.openFolder(parent);
    return folder.ok() || isMissing(folder.error());
}

// True unless the item at `path` is known to be gone: attributes that cannot be read for any other
// reason leave it standing.
bool mayStillExist(const ConfinedTree& tree, const std::string& path)
{
    const Result<UniqueFd> folder = tree.openFolder(parentOf(path));
    if (!folder)
        return !isMissing(folder.error());
    const Result<void> attributes = ConfinedTree::readAttributes(*folder, nameOf(path));
    return attributes.ok() || !isMissing(attributes.error());
}

// `paths` without repeats, each where it first occurs.
std::vector<std::string> firstOccurrences(const std::vector<std::string>& paths)
{
    std::vector<std::string> result;
    std::set<std::string> seen;
    for (const std::string& path : paths) {
        if (seen.insert(path).second)
            result.push_back(path);
    }
    return result;
}

} // namespace

QString SystemThreatRemover::protectedCodeRequirement()
{
    return QStringLiteral("anchor apple or (anchor apple generic and certificate "
                          "leaf[field.1.2.840.113635.100.6.1.13] exists and notarized)");
}

QString SystemThreatRemover::stillRunningNote()
{
    return QStringLiteral(
        " (the process may still be running until it exits or the computer restarts \u2014 it "
        "won't launch again automatically)");
}

SystemThreatRemover::SystemThreatRemover(Path systemRoot, Path systemctlProgram,
                                         std::shared_ptr<const ProcessRunner> runner,
                                         std::shared_ptr<const CodeSigner> signer)
    : m_systemRoot(std::move(systemRoot)), m_systemctl(std::move(systemctlProgram)),
      m_runner(std::move(runner)), m_signer(std::move(signer))
{}

HelperReply SystemThreatRemover::remove(const QString& /*label*/, const QStringList& paths) const
{
    // Phase 1: the request's shape, the policy, and where each parent folder really is.
    if (paths.size() > kMaxPaths)
        return HelperReply{false, kRefusedPrefix + QStringLiteral("too many paths in one request")};
    std::vector<std::string> candidates;
    qsizetype malformed = 0;
    for (const QString& path : paths) {
        if (std::optional<std::string> bytes = checkedText(path, kMaxPathBytes))
            candidates.push_back(std::move(*bytes));
        else
            ++malformed;
    }

    const Policy::Partition partition = Policy::partition(candidates);
    const qsizetype rejected = malformed + static_cast<qsizetype>(partition.rejected.size());
    if (rejected > 0) {
        return HelperReply{false, kRefusedPrefix + QString::number(rejected) +
                                      QStringLiteral(" path(s) outside the allowed system locations")};
    }
    const std::vector<std::string>& accepted = partition.accepted;
    if (accepted.empty())
        return HelperReply{false, QStringLiteral("Nothing to remove")};

    const Result<ConfinedTree> opened = ConfinedTree::open(m_systemRoot);
    if (!opened)
        return resolvesOutside();
    const ConfinedTree& tree = *opened;
    // A request may name one item many times over. Each distinct path is checked once, and
    // each distinct parent folder resolved once; the deletion and its counts still see every path.
    const std::vector<std::string> distinct = firstOccurrences(accepted);
    std::set<std::string> checkedParents;
    for (const std::string& path : distinct) {
        if (checkedParents.insert(parentOf(path)).second && !parentStaysInside(tree, path))
            return resolvesOutside();
    }

    // Phase 2: software that is Apple's own or notarized is left to the user.
    for (const std::string& path : distinct) {
        if (m_signer->satisfiesRequirement(tree.hostPath(path), protectedCodeRequirement())) {
            return HelperReply{false,
                               kRefusedPrefix + QString::fromStdString(nameOf(path)) +
                                   QStringLiteral(" runs software that is validly signed and notarized. "
                                                  "Remove it manually if you're sure.")};
        }
    }

    // Phase 3: a unit of every user's session or an autostart entry is not stopped from here: what it
    // started may run on.
    bool mayStillRun = false;
    for (const std::string& path : distinct) {
        const std::string parent = parentOf(path);
        if ((parent == "/etc/systemd/user" || parent == "/etc/xdg/autostart") && mayStillExist(tree, path))
            mayStillRun = true;
    }
    // A system unit whose file or enable link goes is stopped only when systemd says it loaded the unit
    // from one of the files being removed: a vendor unit of the same name, or the unit an alias link
    // points to, is the system's own and keeps running. The policy admitted only names systemd reads as
    // one unit, never as a pattern, and "--" keeps one from reading as an option.
    std::set<std::string> systemUnits;
    for (const std::string& path : distinct) {
        const std::string parent = parentOf(path);
        if (parent == "/etc/systemd/system" ||
            (startsWith(parent, "/etc/systemd/system/") && Policy::isAllowedParent(parent)))
            systemUnits.insert(nameOf(path));
    }
    const std::set<std::string> removing(distinct.begin(), distinct.end());
    for (const std::string& unit : systemUnits) {
        const std::optional<std::string> loadedFrom = fragmentPath(unit);
        if (!loadedFrom || !removing.contains(*loadedFrom))
            continue;
        (void)systemctl({"stop", "--", unit});
        if (systemctl({"is-active", "--quiet", "--", unit}))
            mayStillRun = true;
    }

    // Phase 4: delete, counting what is gone afterwards.
    qsizetype removed = 0;
    QStringList failures;
    for (const std::string& path : accepted) {
        const std::string name = nameOf(path);
        const QString shownName = QString::fromStdString(name);
        const Result<UniqueFd> folder = tree.openFolder(parentOf(path));
        if (!folder) {
            if (isMissing(folder.error()))
                ++removed;
            else
                failures << shownName + QStringLiteral(": ") + reason(folder.error());
            continue;
        }
        const Result<void> present = ConfinedTree::readAttributes(*folder, name);
        if (!present) {
            if (isMissing(present.error()))
                ++removed;
            else
                failures << shownName + QStringLiteral(": ") + reason(present.error());
            continue;
        }
        const Result<void> removal = ConfinedTree::remove(*folder, name);
        if (removal) {
            ++removed;
            continue;
        }
        // A removal that met an entry vanishing under it may still have left nothing behind.
        const Result<void> afterwards = ConfinedTree::readAttributes(*folder, name);
        if (!afterwards && isMissing(afterwards.error()))
            ++removed;
        else
            failures << shownName + QStringLiteral(": ") + reason(removal.error());
    }

    // systemd forgets what was removed.
    if (!systemUnits.empty())
        (void)systemctl({"daemon-reload"});

    const QString note = mayStillRun ? stillRunningNote() : QString();
    if (!failures.isEmpty()) {
        return HelperReply{false, QStringLiteral("Removed ") + QString::number(removed) +
                                      QStringLiteral(", failed ") + QString::number(failures.size()) +
                                      QStringLiteral(": ") + failures.join(QStringLiteral("; ")) + note};
    }
    return HelperReply{true, QStringLiteral("Removed ") + QString::number(removed) + QStringLiteral(" item") +
                                 (removed == 1 ? QString() : QStringLiteral("s")) + note};
}

std::optional<std::string> SystemThreatRemover::fragmentPath(const std::string& unit) const
{
    ProcessRequest request;
    request.program = m_systemctl;
    request.arguments = {"show", "-P", "FragmentPath", "--", unit};
    request.deadline = std::chrono::seconds(30);
    request.outputCap = kMaxPathBytes + 1;
    const Result<ProcessOutcome> outcome = m_runner->run(request);
    if (!outcome || !outcome->succeeded() || outcome->standardOutputTruncated)
        return std::nullopt;
    QByteArray path = outcome->standardOutput;
    if (path.endsWith('\n'))
        path.chop(1);
    if (path.isEmpty() || path.contains('\n'))
        return std::nullopt;
    return path.toStdString();
}

bool SystemThreatRemover::systemctl(std::vector<std::string> arguments) const
{
    // Its output goes to the journal, like every command the helper runs.
    return HelperShell::run(*m_runner, m_systemctl, arguments, std::chrono::seconds(30)).ok;
}

} // namespace qm
