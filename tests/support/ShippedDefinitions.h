#pragma once

#include "core/malware/DefinitionUpdater.h"
#include "support/FakeKeychain.h"

#include <memory>
#include <optional>

namespace qm::test {

// Definition sources that give the shipped document only: version 7 of 2024-03-01 with no signatures and
// no rules, nothing cached in `cacheFolder` (which need not exist), no channel key, an empty keychain and
// no floor. Header-only because the support library sits below the engine.
inline DefinitionUpdater::Sources shippedDefinitionsOnly(const Path& cacheFolder)
{
    DefinitionUpdater::Sources sources;
    sources.shipped = [] {
        return std::optional<QByteArray>(QByteArrayLiteral(
            R"({"schemaVersion": 1, "version": 7, "updated": "2024-03-01", "hashSignatures": [], "rules": []})"));
    };
    sources.cacheFolder = cacheFolder;
    sources.publicKeyHex = QString();
    sources.keychain = std::make_shared<FakeKeychain>();
    sources.defaultsFloor = [] { return QVariant(); };
    return sources;
}

} // namespace qm::test
