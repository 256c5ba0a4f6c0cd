#include "support/FakeCodeSigner.h"

namespace qm::test {

void FakeCodeSigner::setInfo(const Path& code, const CodeSignatureInfo& info)
{
    const std::lock_guard lock(m_mutex);
    m_infos[code] = info;
}

void FakeCodeSigner::satisfy(const Path& code, const QString& requirement)
{
    const std::lock_guard lock(m_mutex);
    m_satisfied.emplace(code, requirement);
}

void FakeCodeSigner::onRequirementCheck(std::function<void(const Path&, const QString&)> hook)
{
    const std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

CodeSignatureInfo FakeCodeSigner::inspect(const Path& code) const
{
    const std::lock_guard lock(m_mutex);
    m_inspections.push_back(code);
    const auto it = m_infos.find(code);
    return it != m_infos.end() ? it->second : CodeSignatureInfo{};
}

bool FakeCodeSigner::satisfiesRequirement(const Path& code, const QString& requirement) const
{
    std::function<void(const Path&, const QString&)> hook;
    {
        const std::lock_guard lock(m_mutex);
        m_checks.emplace_back(code, requirement);
        hook = m_hook;
    }
    if (hook)
        hook(code, requirement);
    const std::lock_guard lock(m_mutex);
    return m_satisfied.count({code, requirement}) > 0;
}

std::vector<std::pair<Path, QString>> FakeCodeSigner::requirementChecks() const
{
    const std::lock_guard lock(m_mutex);
    return m_checks;
}

std::vector<Path> FakeCodeSigner::inspections() const
{
    const std::lock_guard lock(m_mutex);
    return m_inspections;
}

} // namespace qm::test
