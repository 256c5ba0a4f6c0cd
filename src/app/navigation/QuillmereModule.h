#pragma once

#include <QColor>
#include <QString>

#include <array>
#include <optional>

namespace qm {

// The eleven modules of the application, in sidebar order (which is also the order of the "Go" menu).
// A module's identity is its raw value (also its id), which never changes with the title it shows: the
// health module is "Mac Health" by id and "System Health" on screen; every other module's raw value
// equals its title.
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

// The module's raw value ("Smart Scan", "Mac Health", ...): its identity, never shown.
QString rawValue(QuillmereModule module);
// The same text as `rawValue`: the identity that equality, hashing, selection and object names use.
QString id(QuillmereModule module);
// The name shown for the module in the sidebar, the "Go" menu and its page ("System Health" for the
// health module, the raw value for the others); never an identity.
QString title(QuillmereModule module);
// The module whose raw value is exactly `raw` (case-sensitive, no trimming), or nothing; neither the case
// name ("cloud") nor a title that differs from the raw value ("System Health") gives a module.
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
