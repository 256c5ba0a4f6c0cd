// Drives the Cloud Cleanup page through its states and saves a picture of each, for people to look at
// (never compared by pixels): without a cloud provider, then over a fake drive. Needs a display (see
// with_xvfb.sh).
// Usage: qm_cloud_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/cloud-NAME.png; exits 1 when a state was not reached or a picture not saved.
#include "CloudScreenHarness.h"
#include "ScreenCapture.h"
#include "support/PrivilegeDrop.h"
#include "support/ThreadGate.h"

#include <QDir>
#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

#include <cstdio>

namespace {

using qm::test::CloudScreenHarness;
using qm::test::ScreenCapture;

const QSize kPageSize(820, 700);
// Long enough for the rows' rise and the switch of states to settle, milliseconds.
constexpr int kSettleMs = 1200;

QQuickItem* barItem(CloudScreenHarness& h)
{
    auto* loader = qobject_cast<QQuickItem*>(h.pageObject("bottomBar"));
    return loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
}

void unavailable(ScreenCapture& shot)
{
    CloudScreenHarness h(false);
    if (!h.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    if (!shot.check(h.settle([&] { return h.contentName() == QStringLiteral("unavailableState"); }),
                    QStringLiteral("not unavailable")))
        return;
    shot.shoot(h, QStringLiteral("unavailable"));
    shot.checkWarnings(h.warnings());
}

void withDrive(ScreenCapture& shot)
{
    CloudScreenHarness h(true);
    auto& drive = *h.drive();
    h.uploaded("Photos Library/2024/IMG_0001.heic", 3'400'000);
    h.uploaded("Photos Library/2024/IMG_0002.heic", 2'900'000);
    h.uploaded("Photos Library/2023/IMG_0815.heic", 1'800'000);
    h.uploaded("Documents/Taxes 2024.pdf", 1'200'000);
    drive.makeDataless(h.uploaded("Documents/Old scans.pdf", 4'000'000));
    h.uploaded("Keynote Presentation.key", 2'100'000);
    h.uploaded("Movie.mov", 900'000);
    drive.makeDataless(h.uploaded("Archive 2019.zip", 6'000'000));
    h.uploaded("<b>notes<br>.txt", 40'000);
    drive.makeDataless(h.uploaded("Notes/ideas.txt", 12'000));
    h.tree().nonUtf8File(h.root(), 300'000);

    // Held in its walk, so the scanning state can be seen.
    qm::test::ThreadGate gate;
    drive.onDatalessQuestion([&](const qm::Path&) { gate.pass(); });
    gate.arm();
    if (!h.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load: ") + h.errors().join(QLatin1Char('\n')));
        return;
    }
    if (!shot.check(h.settle([&] { return gate.holding() && h.model().total() > 0; }),
                    QStringLiteral("the scan was not held")))
        return;
    shot.shoot(h, QStringLiteral("scanning"));
    gate.release();
    if (!shot.check(h.settle([&] { return h.contentName() == QStringLiteral("resultsState"); }),
                    QStringLiteral("no results")))
        return;
    shot.shoot(h, QStringLiteral("results"));

    // Two items chosen.
    for (const char* name : {"Photos Library", "Movie.mov"}) {
        for (const qm::CloudItem& item : h.model().items()) {
            if (item.url.filename() == name)
                h.model().toggle(item.id);
        }
    }
    shot.shoot(h, QStringLiteral("selected"), 500);

    h.click(h.find(QStringLiteral("freeButton")));
    QObject* dialog = h.pageObject("freeConfirm");
    if (!shot.check(h.settle([&] { return dialog->property("opened").toBool(); }),
                    QStringLiteral("no dialog")))
        return;
    shot.shoot(h, QStringLiteral("confirm"), 500);

    drive.onEvicted([&](const qm::Path&) { gate.pass(); });
    gate.arm();
    h.click(dialog->property("destructiveButton").value<QQuickItem*>());
    if (!shot.check(h.settle([&] { return gate.holding(); }), QStringLiteral("the eviction was not held")))
        return;
    shot.shoot(h, QStringLiteral("freeing"), 500);
    gate.release();
    if (!shot.check(h.settle([&] { return barItem(h) != nullptr && barItem(h)->objectName() == "freedBar"; }),
                    QStringLiteral("no freed bar")))
        return;
    // The celebration half way.
    shot.shoot(h, QStringLiteral("freed-celebration"), 450);
    shot.shoot(h, QStringLiteral("freed"), 2000);
    shot.checkWarnings(h.warnings());
}

// A folder with a part only root may read, measured by another user: the note over the list.
void partial(ScreenCapture& shot)
{
    if (!qm::test::canDropPrivileges()) {
        std::printf("SKIP: cloud-partial.png needs root to drop privileges\n");
        return;
    }
    CloudScreenHarness h(true);
    h.uploaded("Shared Folder/readable.pdf", 700'000);
    h.uploaded("Shared Folder/Private/secret.pdf", 900'000);
    h.tree().chmod(h.root() / "Shared Folder/Private", 0700);
    h.uploaded("Pages Document.pages", 250'000);
    if (!h.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load"));
        return;
    }
    h.settle([&] { return h.contentName() == QStringLiteral("resultsState"); });
    {
        qm::test::DroppedPrivileges dropped;
        h.model().scan();
        h.settle([&] { return h.contentName() == QStringLiteral("resultsState"); });
        h.drain();
    }
    if (!shot.check(h.model().scanPartial(), QStringLiteral("the scan was not partial")))
        return;
    shot.shoot(h, QStringLiteral("partial"));
    shot.checkWarnings(h.warnings());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication app(argc, argv);
    const QString folder = ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_cloud_capture");
    if (folder.isEmpty())
        return 2;
    ScreenCapture shot(folder, QStringLiteral("cloud"), QPoint(kPageSize.width() - 4, kPageSize.height() / 2),
                       kSettleMs);
    unavailable(shot);
    withDrive(shot);
    partial(shot);
    return shot.failed() ? 1 : 0;
}
