#include "app/qml/design/Symbols.h"

#include <algorithm>
#include <array>

namespace qm::Symbols {
namespace {

// Sorted by system name (checked at compile time below) so lookups can bisect.
constexpr std::array kTable{
    SymbolGlyph{"app.dashed", "crop_free", 0xE3C2},
    SymbolGlyph{"app.fill", "square", 0xEB36},
    SymbolGlyph{"archivebox", "inventory_2", 0xE1A1},
    SymbolGlyph{"arrow.clockwise", "refresh", 0xE5D5},
    SymbolGlyph{"arrow.down.circle", "arrow_circle_down", 0xF181},
    SymbolGlyph{"arrow.triangle.2.circlepath", "autorenew", 0xE863},
    SymbolGlyph{"arrow.up.forward.app", "open_in_new", 0xE89E},
    SymbolGlyph{"arrow.uturn.backward", "undo", 0xE166},
    SymbolGlyph{"arrow.uturn.backward.circle", "settings_backup_restore", 0xE8BA},
    SymbolGlyph{"battery.100", "battery_full", 0xE1A4},
    SymbolGlyph{"battery.50", "battery_3_bar", 0xEBDD},
    SymbolGlyph{"bolt", "bolt", 0xEA0B},
    SymbolGlyph{"bolt.fill", "bolt", 0xEA0B},
    SymbolGlyph{"checkmark.circle", "check_circle_outline", 0xE92D},
    SymbolGlyph{"checkmark.circle.fill", "check_circle", 0xE86C},
    SymbolGlyph{"checkmark.seal.fill", "verified", 0xEF76},
    SymbolGlyph{"checkmark.shield", "gpp_good", 0xF013},
    SymbolGlyph{"checkmark.shield.fill", "verified_user", 0xE8E8},
    SymbolGlyph{"checkmark.square.fill", "check_box", 0xE834},
    SymbolGlyph{"chevron.down", "expand_more", 0xE5CF},
    SymbolGlyph{"chevron.right", "chevron_right", 0xE5CC},
    SymbolGlyph{"chevron.up", "expand_less", 0xE5CE},
    SymbolGlyph{"circle", "radio_button_unchecked", 0xE836},
    SymbolGlyph{"circle.dashed", "donut_large", 0xE917},
    SymbolGlyph{"circle.fill", "circle", 0xEF4A},
    SymbolGlyph{"circle.hexagongrid.fill", "bubble_chart", 0xE6DD},
    SymbolGlyph{"clock", "schedule", 0xE8B5},
    SymbolGlyph{"clock.arrow.circlepath", "history", 0xE889},
    SymbolGlyph{"display", "monitor", 0xEF5B},
    SymbolGlyph{"doc", "insert_drive_file", 0xE24D},
    SymbolGlyph{"doc.on.doc", "content_copy", 0xE14D},
    SymbolGlyph{"doc.text", "description", 0xE873},
    SymbolGlyph{"doc.text.magnifyingglass", "find_in_page", 0xE880},
    SymbolGlyph{"exclamationmark.octagon.fill", "report", 0xE160},
    SymbolGlyph{"exclamationmark.shield", "gpp_maybe", 0xF014},
    SymbolGlyph{"exclamationmark.shield.fill", "gpp_maybe", 0xF014},
    SymbolGlyph{"exclamationmark.triangle", "warning_amber", 0xF083},
    SymbolGlyph{"exclamationmark.triangle.fill", "warning", 0xE002},
    SymbolGlyph{"externaldrive.badge.checkmark", "dns", 0xE875},
    SymbolGlyph{"film", "movie", 0xE02C},
    SymbolGlyph{"folder", "folder", 0xE2C7},
    SymbolGlyph{"folder.fill", "folder", 0xE2C7},
    SymbolGlyph{"gearshape", "settings", 0xE8B8},
    SymbolGlyph{"hammer", "hardware", 0xEA59},
    SymbolGlyph{"hand.raised.fill", "back_hand", 0xE764},
    SymbolGlyph{"heart.fill", "favorite", 0xE87D},
    SymbolGlyph{"heart.text.square", "monitor_heart", 0xEAA2},
    SymbolGlyph{"icloud", "cloud_queue", 0xE2C2},
    SymbolGlyph{"icloud.and.arrow.up", "cloud_upload", 0xE2C3},
    SymbolGlyph{"icloud.slash", "cloud_off", 0xE2C1},
    SymbolGlyph{"info.circle", "info_outline", 0xE88F},
    SymbolGlyph{"internaldrive", "dns", 0xE875},
    SymbolGlyph{"lightbulb", "lightbulb_outline", 0xE90F},
    SymbolGlyph{"link", "link", 0xE157},
    SymbolGlyph{"lock.fill", "lock", 0xE897},
    SymbolGlyph{"lock.open", "lock_open", 0xE898},
    SymbolGlyph{"lock.shield", "shield", 0xE9E0},
    SymbolGlyph{"macwindow", "web_asset", 0xE069},
    SymbolGlyph{"magnifyingglass", "search", 0xE8B6},
    SymbolGlyph{"memorychip", "memory", 0xE322},
    SymbolGlyph{"minus.circle", "remove_circle_outline", 0xE15D},
    SymbolGlyph{"minus.square.fill", "indeterminate_check_box", 0xE909},
    SymbolGlyph{"music.note", "music_note", 0xE405},
    SymbolGlyph{"network", "lan", 0xEB2F},
    SymbolGlyph{"person.badge.clock", "pending_actions", 0xF1BB},
    SymbolGlyph{"photo", "photo", 0xE410},
    SymbolGlyph{"photo.stack", "photo_library", 0xE413},
    SymbolGlyph{"play.circle", "play_circle_outline", 0xE039},
    SymbolGlyph{"play.circle.fill", "play_circle_filled", 0xE038},
    SymbolGlyph{"power", "power_settings_new", 0xE8AC},
    SymbolGlyph{"powerplug", "power", 0xE63C},
    SymbolGlyph{"powerplug.fill", "power", 0xE63C},
    SymbolGlyph{"questionmark.circle", "help_outline", 0xE8FD},
    SymbolGlyph{"questionmark.circle.fill", "help", 0xE887},
    SymbolGlyph{"shield.lefthalf.filled", "security", 0xE32A},
    SymbolGlyph{"shippingbox", "archive", 0xE149},
    SymbolGlyph{"sparkles", "auto_awesome", 0xE65F},
    SymbolGlyph{"square", "check_box_outline_blank", 0xE835},
    SymbolGlyph{"square.grid.2x2", "grid_view", 0xE9B0},
    SymbolGlyph{"thermometer.medium", "thermostat", 0xF076},
    SymbolGlyph{"trash", "delete_outline", 0xE92E},
    SymbolGlyph{"trash.fill", "delete", 0xE872},
    SymbolGlyph{"trash.slash.fill", "delete_forever", 0xE92B},
    SymbolGlyph{"wrench.and.screwdriver", "build", 0xE869},
    SymbolGlyph{"xmark", "close", 0xE5CD},
};

constexpr bool sortedWithoutRepeats()
{
    for (std::size_t i = 1; i < kTable.size(); ++i) {
        if (!(kTable[i - 1].systemName < kTable[i].systemName))
            return false;
    }
    return true;
}
static_assert(sortedWithoutRepeats(), "the symbol table must be sorted by system name without repeats");

} // namespace

std::span<const SymbolGlyph> all()
{
    return kTable;
}

std::optional<SymbolGlyph> find(std::string_view systemName)
{
    const auto it = std::lower_bound(
        kTable.begin(), kTable.end(), systemName,
        [](const SymbolGlyph& entry, std::string_view name) { return entry.systemName < name; });
    if (it == kTable.end() || it->systemName != systemName)
        return std::nullopt;
    return *it;
}

QString glyph(std::string_view systemName)
{
    const std::optional<SymbolGlyph> entry = find(systemName);
    if (!entry)
        return {};
    const char32_t codepoint = entry->codepoint;
    return QString::fromUcs4(&codepoint, 1);
}

} // namespace qm::Symbols
