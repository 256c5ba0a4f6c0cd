#pragma once

#include "platform/FileSystem.h"

#include <QImage>
#include <QQuickImageProvider>
#include <QSize>
#include <QString>

class QQmlEngine;

namespace qm {

// Draws application icons for QML as "image://appicon/<iconId>", where the id is the icon file's path
// bytes percent-encoded (ApplicationListModel::iconId). It opens only what an image asks for, when it
// asks (a row coming into view), through the bounded reader: at most `kMaxFileBytes`, never through a
// final symbolic link, never a FIFO or a device. A ".png" file is decoded by Qt's image reader, a
// ".svg" file drawn by Qt SVG at the size asked for only; any other name, a missing or unreadable
// file, or one that does not decode or parse gives a null image, and QML then shows its fallback
// symbol. Nothing reads the desktop entry again: the inventory found the icon
// file. Safe to call from Qt's image-loading threads.
class ApplicationIconProvider : public QQuickImageProvider
{
public:
    // The provider's name in image addresses.
    static constexpr const char* kProviderId = "appicon";
    // The largest icon file read, in bytes.
    static constexpr qint64 kMaxFileBytes = 8 * 1024 * 1024;
    // The largest decoded image Qt may allocate for one icon, in megabytes.
    static constexpr int kAllocationLimitMegabytes = 64;
    // A scalable icon is drawn at the requested size, at most this many pixels wide and high; without
    // one, at its own size fitted into the default square.
    static constexpr int kMaxVectorPixels = 1024;
    static constexpr int kDefaultVectorPixels = 256;

    ApplicationIconProvider();

    // Adds a provider to `engine` (which owns it) under `kProviderId`, unless it has one already.
    static void install(QQmlEngine& engine);

    // Decodes the icon whose id is `id`; `size` receives its size before scaling. A valid
    // `requestedSize` scales it to fit within that size, keeping its aspect ratio.
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    // The icon at `path` (raw bytes), scaled to fit `requestedSize` when that is valid; a null image
    // when it cannot be read or decoded.
    static QImage load(const Path& path, const QSize& requestedSize = QSize(), QSize* originalSize = nullptr);
    // The icon an SVG document draws, fitted into `requestedSize` (or the default square) keeping its
    // shape; a null image when it does not parse. `originalSize` receives its own size.
    static QImage drawVector(const QByteArray& svg, const QSize& requestedSize, QSize* originalSize);
    // The path an id names: its percent-decoded bytes. An address may hand the id back with some
    // escapes already decoded (as UTF-8 text); decoding again yields the same bytes.
    static Path pathOf(const QString& id);
};

} // namespace qm
