#pragma once

#include <QString>

#include <optional>
#include <span>
#include <string_view>

namespace qm {

// One system symbol name and the Material Icons glyph drawn for it.
struct SymbolGlyph
{
    // The symbol name screens use ("trash", "checkmark.circle.fill").
    std::string_view systemName;
    // The Material Icons name of the glyph ("delete_outline").
    std::string_view materialName;
    // The glyph's code point in the Material Icons font (Private Use Area).
    char32_t codepoint;
};

// The one table from system symbol names to glyphs of the Material Icons font
// (fonts-material-design-icons-iconfont), so screens name symbols the way the design does and draw
// them with this platform's font. Several names may share a glyph; the font has one weight, so a
// symbol's weight is not drawn.
namespace Symbols {

// The family name of the glyph font.
inline constexpr std::string_view fontFamily = "Material Icons";
// Where the Debian package installs the font file.
inline constexpr std::string_view fontFile =
    "/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf";

// Every entry, sorted by system name without repeats.
std::span<const SymbolGlyph> all();
// The entry for `systemName` (exact, case-sensitive), or nothing for a name the table lacks.
std::optional<SymbolGlyph> find(std::string_view systemName);
// The glyph of `systemName` as text of one character, or an empty text for a name the table lacks.
QString glyph(std::string_view systemName);

} // namespace Symbols
} // namespace qm
