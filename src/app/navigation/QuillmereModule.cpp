#include "app/navigation/QuillmereModule.h"

#include <QStringView>

namespace qm::QuillmereModules {
namespace {

struct ModuleRow
{
    QuillmereModule module;
    const char16_t* raw;   // the identity, fixed for good
    const char16_t* title; // the shown name
    const char16_t* symbol;
    int red;
    int green;
    int blue;
};

// One row per module, in declaration order, so `index` is the row number.
constexpr std::array<ModuleRow, allCases.size()> kRows{{
    {QuillmereModule::smartScan, u"Smart Scan", u"Smart Scan", u"sparkles", 142, 124, 243},
    {QuillmereModule::health, u"Mac Health", u"System Health", u"heart.text.square", 124, 140, 245},
    {QuillmereModule::cleanup, u"Cleanup", u"Cleanup", u"trash", 62, 207, 142},
    {QuillmereModule::protection, u"Protection", u"Protection", u"checkmark.shield", 240, 106, 155},
    {QuillmereModule::performance, u"Performance", u"Performance", u"bolt", 79, 160, 245},
    {QuillmereModule::battery, u"Battery", u"Battery", u"battery.100", 103, 205, 132},
    {QuillmereModule::applications, u"Applications", u"Applications", u"square.grid.2x2", 94, 139, 240},
    {QuillmereModule::files, u"Files", u"Files", u"folder", 62, 201, 186},
    {QuillmereModule::spaceLens, u"Space Lens", u"Space Lens", u"circle.hexagongrid.fill", 70, 184, 222},
    {QuillmereModule::disk, u"Disk", u"Disk", u"internaldrive", 233, 169, 79},
    {QuillmereModule::cloud, u"Cloud Cleanup", u"Cloud Cleanup", u"icloud", 92, 184, 242},
}};

constexpr bool rowsFollowDeclarationOrder()
{
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (kRows[i].module != allCases[i])
            return false;
    }
    return true;
}
static_assert(rowsFollowDeclarationOrder(), "the module table must list the modules in declaration order");

const ModuleRow& row(QuillmereModule module)
{
    return kRows[static_cast<std::size_t>(index(module))];
}

} // namespace

int index(QuillmereModule module)
{
    return static_cast<int>(module);
}

QString rawValue(QuillmereModule module)
{
    return QString::fromUtf16(row(module).raw);
}

QString id(QuillmereModule module)
{
    return rawValue(module);
}

QString title(QuillmereModule module)
{
    return QString::fromUtf16(row(module).title);
}

std::optional<QuillmereModule> fromRawValue(const QString& raw)
{
    for (const ModuleRow& candidate : kRows) {
        if (raw == QStringView(candidate.raw))
            return candidate.module;
    }
    return std::nullopt;
}

QString systemImage(QuillmereModule module)
{
    return QString::fromUtf16(row(module).symbol);
}

QColor tint(QuillmereModule module)
{
    // Integer components are stored exactly (each one times 257 in 16 bits), so the colour equals the
    // one built from the same integers over 255 anywhere else.
    const ModuleRow& r = row(module);
    return QColor(r.red, r.green, r.blue);
}

} // namespace qm::QuillmereModules
