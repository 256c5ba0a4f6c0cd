#pragma once

#include <QColor>
#include <QString>

#include <array>
#include <optional>

namespace qm {

// The eleven modules of the application, in sidebar order (which is also the order of the "Go" menu).
// A module's identity is its title: the raw value and the id are the same text.
enum class QuillmereModule {
    smartScan,
    health,
    cleanup,
    protection,
    performance,
    battery,
    applications,
    files,
    spaceLens,
    disk,
    cloud
};

namespace QuillmereModules {

// Every module, in declaration order.
inline constexpr std::array<QuillmereModule, 11> allCases{
    QuillmereModule::smartScan,    QuillmereModule::health,      QuillmereModule::cleanup,
    QuillmereModule::protection,   QuillmereModule::performance, QuillmereModule::battery,
    QuillmereModule::applications, QuillmereModule::files,       QuillmereModule::spaceLens,
    QuillmereModule::disk,         QuillmereModule::cloud};

// The module's title ("Smart Scan", "System Health", ...), which is both its raw value and its id.
QString rawValue(QuillmereModule module);
// The same text as `rawValue`: the identity that equality, hashing and menu items use.
QString id(QuillmereModule module);
// The module whose title is exactly `raw` (case-sensitive, no trimming), or nothing; the case name
// ("cloud") is not a title and gives nothing.
std::optional<QuillmereModule> fromRawValue(const QString& raw);
// The system symbol name shown for the module ("sparkles", "trash", ...); the design system's symbol
// table turns it into a glyph.
QString systemImage(QuillmereModule module);
// The module's colour, sRGB at opacity 1; every component is an integer over 255.
QColor tint(QuillmereModule module);
// The zero-based position of the module in `allCases`.
int index(QuillmereModule module);

} // namespace QuillmereModules
} // namespace qm
