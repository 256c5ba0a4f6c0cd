#pragma once

#include "platform/CodeSigner.h"

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace qm::test {

// A code-signing seam that answers what the test told it, path by path (paths compare byte for byte,
// as given), and records every question. Unknown code is unsigned and satisfies nothing. Safe to call
// from several threads.
class FakeCodeSigner final : public CodeSigner
{
public:
    // `inspect(code)` answers `info` from now on.
    void setInfo(const Path& code, const CodeSignatureInfo& info);
    // `satisfiesRequirement(code, requirement)` answers true from now on, for that exact text.
    void satisfy(const Path& code, const QString& requirement);
    // Called (outside the lock) at the start of every requirement check, with its arguments; tests
    // use it to act in the middle of a scan, for example to cancel it.
    void onRequirementCheck(std::function<void(const Path& code, const QString& requirement)> hook);

    CodeSignatureInfo inspect(const Path& code) const override;
    bool satisfiesRequirement(const Path& code, const QString& requirement) const override;

    // Every requirement check so far, in order.
    std::vector<std::pair<Path, QString>> requirementChecks() const;
    // Every inspected path so far, in order.
    std::vector<Path> inspections() const;

private:
    mutable std::mutex m_mutex;
    std::map<Path, CodeSignatureInfo> m_infos;
    std::set<std::pair<Path, QString>> m_satisfied;
    std::function<void(const Path&, const QString&)> m_hook;
    mutable std::vector<std::pair<Path, QString>> m_checks;
    mutable std::vector<Path> m_inspections;
};

} // namespace qm::test
