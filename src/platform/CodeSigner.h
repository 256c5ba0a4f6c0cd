#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <optional>

namespace qm {

// How a piece of code is signed.
enum class SigningStatus {
    Unsigned, // carries no signature at all
    AdHoc,    // signed without an identity
    Signed,   // signed with an identity
    Invalid   // carries a signature that does not verify (or whose certificate was revoked)
};

// What a static signature check found out about one file or bundle.
struct CodeSignatureInfo
{
    SigningStatus status = SigningStatus::Unsigned;
    std::optional<QString> teamID; // the signing team, when the signature names one
    bool isNotarized = false;
    bool isAppleSystem = false; // the code is signed by Apple itself ("anchor apple")

    bool operator==(const CodeSignatureInfo&) const = default;
};

// The code-signing seam: static checks of a file's or bundle's code signature, without running it.
// Engines hold one through a pointer so tests can pass a fake that answers each case. Every call is
// safe from any thread and never fails: a file that cannot be read or checked is simply unsigned.
class CodeSigner
{
public:
    virtual ~CodeSigner();

    // The signature facts of the code at `code` (a program file or a bundle folder).
    virtual CodeSignatureInfo inspect(const Path& code) const = 0;
    // True only when the code at `code` carries a valid signature that satisfies `requirement`, a
    // requirement in the code-signing requirement language (for example "anchor apple"). A
    // requirement that cannot be parsed, like code that cannot be checked, answers false.
    virtual bool satisfiesRequirement(const Path& code, const QString& requirement) const = 0;
};

// The system's code-signing checks. Programs on this platform carry no code signature of this kind, so
// every file is unsigned, with no team, not notarized and not Apple's, and no requirement is ever
// satisfied. Reads nothing.
class SecCodeSigner final : public CodeSigner
{
public:
    CodeSignatureInfo inspect(const Path& code) const override;
    bool satisfiesRequirement(const Path& code, const QString& requirement) const override;
};

} // namespace qm
