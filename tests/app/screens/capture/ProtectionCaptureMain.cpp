// Drives the Protection page on a fixture home and saves a picture of each state, for people to look at
// (never compared by pixels): the idle Privacy tab, two browser cards with a selection, and the Malware
// tab inside the page. Needs a display (see with_xvfb.sh).
// Usage: qm_protection_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/protection-NAME.png; exits 1 when a state was not reached, a picture not saved or
// Qt warned.
#include "ProtectionScreenHarness.h"
#include "ScreenCapture.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTimeZone>

namespace {

using qm::test::ProtectionScreenHarness;
using qm::test::ScreenCapture;

// The size of the module stage in the default 1040 by 700 window.
const QSize kPageSize(820, 700);
// Long enough for the cards' rise and a tab switch to settle, milliseconds.
constexpr int kSettleMs = 1200;

bool selectAndCheck(ScreenCapture& shot, ProtectionScreenHarness& h, const QString& browser,
                    const QString& kind)
{
    return shot.check(h.select(browser, kind),
                      QStringLiteral("no item ") + browser + QLatin1Char(' ') + kind);
}

void capture(ScreenCapture& shot)
{
    ProtectionScreenHarness h;
    const QDateTime installed(QDate(2025, 1, 5), QTime(15, 0), QTimeZone::utc());
    h.malwareFixture().clock().setNow(installed.addDays(12));
    h.malwareFixture().setXProtect(qm::XProtectStatus{5287, installed});
    if (!h.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load: ") + h.screen().errors().join(QLatin1Char('\n')));
        return;
    }
    shot.shoot(h.screen(), QStringLiteral("idle"));

    h.cacheFolder("google-chrome", 182'000);
    h.chromiumProfile("google-chrome", "Default", 2'400'000, 640'000);
    h.cacheFolder("BraveSoftware/Brave-Browser", 96'000);
    h.chromiumProfile("BraveSoftware/Brave-Browser", "Default", 310'000, 0);
    if (!shot.check(h.scanPrivacy(), QStringLiteral("the privacy scan did not end")))
        return;
    if (!selectAndCheck(shot, h, QStringLiteral("Google Chrome"), QStringLiteral("History")) ||
        !selectAndCheck(shot, h, QStringLiteral("Google Chrome"), QStringLiteral("Cache")))
        return;
    shot.shoot(h.screen(), QStringLiteral("cards"));

    QQuickItem* malware = h.screen().find(QStringLiteral("tabSegment:Malware"));
    if (!shot.check(malware != nullptr, QStringLiteral("no Malware segment")))
        return;
    h.screen().click(malware);
    h.malwareFixture().drain();
    if (!shot.check(h.screen().page()->property("tab").toString() == QStringLiteral("Malware"),
                    QStringLiteral("the Malware tab did not show")))
        return;
    shot.shoot(h.screen(), QStringLiteral("malware"));
    shot.checkWarnings(h.screen().warnings());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication app(argc, argv);
    const QString folder =
        ScreenCapture::outputFolder(QCoreApplication::arguments(), "qm_protection_capture");
    if (folder.isEmpty())
        return 2;
    ScreenCapture shot(folder, QStringLiteral("protection"),
                       QPoint(kPageSize.width() - 4, kPageSize.height() - 4), kSettleMs);
    capture(shot);
    return shot.failed() ? 1 : 0;
}
