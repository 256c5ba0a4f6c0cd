#include "core/apps/AppScanner.h"

namespace qm {

bool AppScanner::isLinkedBundle(const Path& bundle, const FileSystem& fileManager)
{
    const auto status = fileManager.status(FileSystem::standardize(bundle));
    return status && status->isSymlink();
}

QString AppScanner::linkedBundleRefusal()
{
    return QStringLiteral("It is a link to an application stored elsewhere. Remove the application "
                          "itself from where the link points.");
}

} // namespace qm
