#include "app/models/ApplicationIconProvider.h"

#include "platform/BoundedReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>
#include <QQmlEngine>
#include <QSvgRenderer>

namespace qm {

namespace {

// The image format a file name promises, by its last suffix (any letter case); empty for others.
QByteArray formatOf(const Path& path)
{
    const std::string extension = path.extension().native();
    QByteArray suffix = QByteArray(extension.data(), qsizetype(extension.size())).toLower();
    if (suffix == ".png")
        return "png";
    if (suffix == ".svg")
        return "svg";
    return {};
}

} // namespace

ApplicationIconProvider::ApplicationIconProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

void ApplicationIconProvider::install(QQmlEngine& engine)
{
    if (engine.imageProvider(QLatin1String(kProviderId)) == nullptr)
        engine.addImageProvider(QLatin1String(kProviderId), new ApplicationIconProvider);
}

QImage ApplicationIconProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    return load(pathOf(id), requestedSize, size);
}

Path ApplicationIconProvider::pathOf(const QString& id)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(id.toUtf8());
    return Path(std::string(bytes.constData(), std::size_t(bytes.size())));
}

QImage ApplicationIconProvider::drawVector(const QByteArray& svg, const QSize& requestedSize,
                                           QSize* originalSize)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return {};
    QSize natural = renderer.defaultSize();
    if (natural.isEmpty())
        natural = QSize(kDefaultVectorPixels, kDefaultVectorPixels);
    // Drawn once, at the size asked for (its shape kept), or at its own size up to the default.
    const QSize bound = requestedSize.isValid() && !requestedSize.isEmpty()
                            ? requestedSize.boundedTo(QSize(kMaxVectorPixels, kMaxVectorPixels))
                            : QSize(kDefaultVectorPixels, kDefaultVectorPixels);
    const QSize target = natural.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    QImage image(target, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (originalSize != nullptr)
        *originalSize = natural;
    return image;
}

QImage ApplicationIconProvider::load(const Path& path, const QSize& requestedSize, QSize* originalSize)
{
    const QByteArray format = formatOf(path);
    if (format.isEmpty() || !path.is_absolute())
        return {};
    auto data = readBounded(path, kMaxFileBytes);
    if (!data)
        return {};
    if (format == "svg")
        return drawVector(*data, requestedSize, originalSize);
    QBuffer buffer(&*data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAllocationLimit(kAllocationLimitMegabytes);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {};
    if (originalSize != nullptr)
        *originalSize = image.size();
    if (requestedSize.isValid() && !requestedSize.isEmpty() &&
        (image.width() > requestedSize.width() || image.height() > requestedSize.height()))
        image = image.scaled(requestedSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace qm
