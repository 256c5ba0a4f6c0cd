#pragma once

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace qm {

// The five kinds of junk, in display order.
enum class JunkKind { userCaches, logs, savedState, developerCaches, appLeftovers };

namespace JunkKinds {

// Every kind, in declaration order.
inline constexpr std::array<JunkKind, 5> all{JunkKind::userCaches, JunkKind::logs, JunkKind::savedState,
                                             JunkKind::developerCaches, JunkKind::appLeftovers};

// The stored name of a kind: its case name ("userCaches", "logs", ...).
QString toRaw(JunkKind kind);
// The kind whose stored name is exactly `raw` (case-sensitive), or nothing.
std::optional<JunkKind> fromRaw(const QString& raw);
// The kind's title on screen ("User Caches", "Application Logs", ...).
QString title(JunkKind kind);
// The kinds the smart scan cleans: user caches, logs and saved state, in that order.
std::vector<JunkKind> smartScanKinds();

} // namespace JunkKinds
} // namespace qm
