#include "app/navigation/FilesToolCatalog.h"

#include "app/navigation/FilesTool.h"

namespace qm {

FilesToolCatalog::FilesToolCatalog(QObject* parent)
    : TabCatalog(FilesTools::allCases, FilesTools::rawValue, parent)
{}

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
    return names(raw);
}

} // namespace qm
