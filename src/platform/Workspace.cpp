#include "platform/Workspace.h"

#include <QByteArray>

namespace qm {

Workspace::~Workspace() = default;

QUrl Workspace::fileUrl(const Path& path)
{
    const QByteArray bytes(path.native().data(), qsizetype(path.native().size()));
    return QUrl::fromEncoded(QByteArrayLiteral("file://") + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

} // namespace qm
