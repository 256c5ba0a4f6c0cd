#include "app/navigation/FilesToolCatalog.h"

#include "app/navigation/FilesTool.h"

namespace qm {

FilesToolCatalog::FilesToolCatalog(QObject* parent) : QObject(parent) {}

QStringList FilesToolCatalog::allCases() const
{
    QStringList raw;
    for (FilesTool tool : FilesTools::allCases)
        raw.append(FilesTools::rawValue(tool));
    return raw;
}

QString FilesToolCatalog::large() const
{
    return FilesTools::rawValue(FilesTool::large);
}

QString FilesToolCatalog::duplicates() const
{
    return FilesTools::rawValue(FilesTool::duplicates);
}

bool FilesToolCatalog::isTool(const QString& raw) const
{
    return FilesTools::fromRawValue(raw).has_value();
}

} // namespace qm
