#pragma once

#include <QString>

#include <array>
#include <optional>

namespace qm {

// The two tools of the Files page, in the order of its switch. A tool's raw value is its title and
// also its identity (the scan command's target).
enum class FilesTool { large, duplicates };

namespace FilesTools {

// Every tool, in switch order.
inline constexpr std::array<FilesTool, 2> allCases{FilesTool::large, FilesTool::duplicates};

// "Large & Old" or "Duplicates".
QString rawValue(FilesTool tool);
// The tool whose raw value is exactly `raw` (case-sensitive, no trimming), or nothing.
std::optional<FilesTool> fromRawValue(const QString& raw);

} // namespace FilesTools
} // namespace qm
