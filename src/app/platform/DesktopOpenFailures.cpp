#include "app/platform/DesktopOpenFailures.h"

#include "app/platform/GuiFolderPicker.h"

#include <QFile>

namespace qm {

DesktopOpenFailures& DesktopOpenFailures::instance()
{
    static DesktopOpenFailures failures;
    return failures;
}

void DesktopOpenFailures::addressNotOpened(const QUrl& url)
{
    if (url.isLocalFile()) {
        const std::optional<Path> path = GuiFolderPicker::localPath(url);
        emit failed(QStringLiteral("Couldn't open the folder"),
                    QStringLiteral("No file manager opened it. Its path:"),
                    path ? QFile::decodeName(QByteArray::fromStdString(path->native())) : url.toString());
        return;
    }
    const QString scheme = url.scheme();
    const bool web = scheme == QLatin1String("https") || scheme == QLatin1String("http");
    emit failed(web ? QStringLiteral("Couldn't open the page") : QStringLiteral("Couldn't open the link"),
                web ? QStringLiteral("No web browser opened this address:")
                    : QStringLiteral("No application opened this address:"),
                url.toString());
}

void DesktopOpenFailures::itemNotShown(const Path& path)
{
    emit failed(QStringLiteral("Couldn't show the item"),
                QStringLiteral("No file manager showed it or opened its folder. Its path:"),
                QFile::decodeName(QByteArray::fromStdString(path.native())));
}

} // namespace qm
