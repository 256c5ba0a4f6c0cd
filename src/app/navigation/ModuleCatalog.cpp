#include "app/navigation/ModuleCatalog.h"

#include "app/navigation/QuillmereCommands.h"
#include "app/navigation/QuillmereModule.h"

namespace qm {

ModuleCatalog::ModuleCatalog(QObject* parent) : QObject(parent) {}

QStringList ModuleCatalog::allCases() const
{
    QStringList ids;
    for (QuillmereModule module : QuillmereModules::allCases)
        ids.append(QuillmereModules::id(module));
    return ids;
}

bool ModuleCatalog::isModule(const QString& id) const
{
    return QuillmereModules::fromRawValue(id).has_value();
}

int ModuleCatalog::indexOf(const QString& id) const
{
    const std::optional<QuillmereModule> module = QuillmereModules::fromRawValue(id);
    return module ? QuillmereModules::index(*module) : -1;
}

QString ModuleCatalog::title(const QString& id) const
{
    const std::optional<QuillmereModule> module = QuillmereModules::fromRawValue(id);
    return module ? QuillmereModules::title(*module) : QString();
}

QString ModuleCatalog::systemImage(const QString& id) const
{
    const std::optional<QuillmereModule> module = QuillmereModules::fromRawValue(id);
    return module ? QuillmereModules::systemImage(*module) : QString();
}

QColor ModuleCatalog::tint(const QString& id) const
{
    const std::optional<QuillmereModule> module = QuillmereModules::fromRawValue(id);
    return module ? QuillmereModules::tint(*module) : QColor();
}

QString ModuleCatalog::shortcut(int index) const
{
    const std::optional<QKeySequence> sequence = QuillmereCommands::shortcut(index);
    return sequence ? sequence->toString(QKeySequence::PortableText) : QString();
}

} // namespace qm
