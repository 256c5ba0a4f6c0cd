#include "platform/CodeSigner.h"

namespace qm {

CodeSigner::~CodeSigner() = default;

CodeSignatureInfo SecCodeSigner::inspect(const Path&) const
{
    return CodeSignatureInfo{SigningStatus::Unsigned, std::nullopt, false, false};
}

bool SecCodeSigner::satisfiesRequirement(const Path&, const QString&) const
{
    return false;
}

} // namespace qm
