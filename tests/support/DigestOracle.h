#pragma once

#include <QString>

#include <filesystem>
#include <optional>

namespace qm::test {

// The SHA-256 of a file as `openssl dgst -sha256` computes it, in lower case: of the whole file, or
// with a limit of what `head -c <limit>` gives of it. Empty when either tool fails.
QString opensslSha256(const std::filesystem::path& file, std::optional<qint64> limit = std::nullopt);

} // namespace qm::test
