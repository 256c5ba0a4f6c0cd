#pragma once

#include <QString>

#include <array>
#include <optional>

namespace qm {

// The two tabs of the Protection page, in the order of its picker. A tab's identity is its case; its
// raw value is the text the picker and the menu's Scan command show.
enum class ProtectionTab { privacy, malware };

namespace ProtectionTabs {

// Every tab, in picker order.
inline constexpr std::array<ProtectionTab, 2> allCases{ProtectionTab::privacy, ProtectionTab::malware};

// "Privacy" or "Malware".
QString rawValue(ProtectionTab tab);
// The tab whose raw value is exactly `raw` (case-sensitive, no trimming), or nothing.
std::optional<ProtectionTab> fromRawValue(const QString& raw);

} // namespace ProtectionTabs
} // namespace qm
