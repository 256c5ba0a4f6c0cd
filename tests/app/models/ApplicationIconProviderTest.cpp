#include "app/models/ApplicationIconProvider.h"

#include "app/models/ApplicationListModel.h"
#include "support/TempTree.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>

namespace qm {
namespace {

namespace fs = std::filesystem;

// A red 48 by 32 picture as an SVG document.
const QByteArray kSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"32\" "
                        "viewBox=\"0 0 48 32\"><rect width=\"48\" height=\"32\" fill=\"#ff0000\"/></svg>";

QByteArray encoded(const char* format, QSize size = QSize(48, 32))
{
    QImage picture(size, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(picture);
    return bytes;
}

// What the provider draws for each kind of file behind an icon path: only a regular .png or .svg
// within the cap that decodes, never through a final link, and a FIFO is refused without waiting for a
// writer.
TEST(ApplicationIconProviderTest, DrawsOnlyBoundedRegularIconFiles)
{
    test::TempTree tree;
    const fs::path png = tree.fileWithContent("a.png", encoded("png"));
    struct Row
    {
        const char* what;
        fs::path path;
        bool draws;
    };
    const Row rows[] = {
        {"png", png, true},
        {"png, suffix in capitals", tree.fileWithContent("Icon.PNG", encoded("png")), true},
        {"a link to a png", tree.symlink(png, "link.png"), false},
        {"a FIFO", tree.fifo("pipe.png"), false},
        {"larger than the cap", tree.sparseFile("huge.png", ApplicationIconProvider::kMaxFileBytes + 1),
         false},
        {"not an image", tree.fileWithContent("text.png", "plain words"), false},
        {"an icon format this platform's entries do not use", tree.fileWithContent("a.icns", encoded("icns")),
         false},
        {"another format", tree.fileWithContent("a.jpg", encoded("jpg")), false},
        {"svg", tree.fileWithContent("scalable.svg", kSvg), true},
        {"svg that does not parse",
         tree.fileWithContent("broken.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect"), false},
        {"svg larger than the cap", tree.sparseFile("huge.svg", ApplicationIconProvider::kMaxFileBytes + 1),
         false},
        {"missing", tree.path("gone.png"), false},
        {"relative", fs::path("a.png"), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QElapsedTimer timer;
        timer.start();
        QSize original;
        const QImage image = ApplicationIconProvider::load(Path(row.path), QSize(), &original);
        EXPECT_EQ(!image.isNull(), row.draws);
        EXPECT_EQ(original.isValid(), row.draws);
        EXPECT_LT(timer.elapsed(), 5'000) << "waited on the file";
    }
    // A requested size scales the icon down to fit, keeping its shape.
    QSize original;
    const QImage small = ApplicationIconProvider::load(Path(png), QSize(24, 24), &original);
    EXPECT_EQ(small.size(), QSize(24, 16));
    EXPECT_EQ(original, QSize(48, 32));
    // A scalable icon is drawn at the requested size, up or down, keeping its shape.
    const Path svg(tree.path("scalable.svg"));
    for (const QSize& requested : {QSize(24, 24), QSize(300, 300)}) {
        const QImage drawn = ApplicationIconProvider::load(svg, requested, &original);
        EXPECT_EQ(drawn.size(), QSize(requested.width(), requested.width() * 2 / 3));
        EXPECT_EQ(original, QSize(48, 32));
        EXPECT_EQ(drawn.pixelColor(drawn.width() / 2, drawn.height() / 2), QColor(Qt::red));
    }
}

// The id the list hands QML names the icon's bytes, also after an image address decoded some of its
// escapes again (as QML does with the path of "image://appicon/<id>").
TEST(ApplicationIconProviderTest, TheIdNamesTheSameBytesThroughAnImageAddress)
{
    const std::string names[] = {
        "/usr/share/icons/hicolor/256x256/apps/plain.png",
        "/home/u/.local/opt/Caf\xc3\xa9 & Co/icon.png",
        "/home/u/.local/opt/" + test::TempTree::nonUtf8Name().native() + " %41#?/icon.png",
    };
    for (const std::string& bytes : names) {
        SCOPED_TRACE(bytes);
        InstalledApp app;
        app.url = Path("/home/u/.local/share/applications/x.desktop");
        app.icon = Path(bytes);
        const QString id = ApplicationListModel::iconId(app);
        EXPECT_EQ(ApplicationIconProvider::pathOf(id).native(), bytes);
        const QUrl address(QStringLiteral("image://appicon/") + id);
        const QString handed = address.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority).mid(1);
        EXPECT_EQ(ApplicationIconProvider::pathOf(handed).native(), bytes) << handed.toStdString();
    }
    EXPECT_TRUE(ApplicationListModel::iconId(InstalledApp{}).isEmpty());
}

} // namespace
} // namespace qm
