// Drives the Mac Health page through its states and saves a picture of each, for people to look at
// (never compared by pixels): checking, with issues, and all clear. Needs a display (see with_xvfb.sh).
// Usage: qm_health_capture OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/health-NAME.png; exits 1 when a state was not reached or a picture not saved.
#include "HealthScreenFixture.h"

#include <QDir>
#include <QGuiApplication>
#include <QTest>

#include <cstdio>

namespace {

using qm::test::HealthScreenFixture;
using Facts = HealthScreenFixture::Facts;

const QSize kPageSize(900, 820);
// Long enough for the ring, the cards' rise and the switch of states to settle, milliseconds.
constexpr int kSettleMs = 1500;
constexpr qint64 GB = 1'000'000'000;

class Capture
{
public:
    explicit Capture(QString folder) : m_folder(std::move(folder)) {}

    bool shoot(HealthScreenFixture& f, const QString& name, int settleMs = kSettleMs)
    {
        // The pointer rests on the backdrop, so nothing is lifted.
        QTest::mouseMove(f.screen().window(), QPoint(kPageSize.width() - 4, kPageSize.height() - 4));
        f.screen().wait(settleMs);
        const QString path = m_folder + QStringLiteral("/health-") + name + QStringLiteral(".png");
        const QImage picture = f.screen().grab();
        if (picture.isNull() || !picture.save(path))
            return fail(QStringLiteral("could not save ") + path);
        std::printf("saved %s\n", qPrintable(path));
        return true;
    }
    bool fail(const QString& why)
    {
        std::fprintf(stderr, "FAIL: %s\n", qPrintable(why));
        m_failed = true;
        return false;
    }
    bool check(bool condition, const QString& what) { return condition || fail(what); }
    bool failed() const { return m_failed; }

private:
    QString m_folder;
    bool m_failed = false;
};

void checkWarnings(Capture& shot, HealthScreenFixture& f)
{
    if (!f.screen().warnings().isEmpty())
        shot.fail(QStringLiteral("Qt warned: ") + f.screen().warnings().join(QLatin1Char('\n')));
}

// A Mac with a full disk, a worn battery, many login items and three weeks of uptime.
void withIssues(Capture& shot)
{
    HealthScreenFixture f;
    qm::BatteryInfo worn = qm::BatteryInfo::unavailable();
    worn.isPresent = true;
    worn.healthPercent = 76;
    worn.chargePercent = 54;
    worn.condition = qm::BatteryCondition::serviceRecommended;
    f.set([&](Facts& facts) {
        facts.volume = Facts{}.volume;
        facts.volume.usedBytes = 462 * GB;
        facts.volume.totalBytes = 494 * GB;
        facts.sample = HealthScreenFixture::sampleUp(16);
        facts.battery = worn;
        facts.loginItems = 11;
    });
    f.gate().arm();
    if (!f.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load: ") + f.screen().errors().join(QLatin1Char('\n')));
        return;
    }
    if (!shot.check(f.screen().settle([&] { return f.gate().holding(); }), QStringLiteral("no refresh held")))
        return;
    shot.shoot(f, QStringLiteral("checking"), 300);
    f.gate().release();
    if (!shot.check(f.settled(), QStringLiteral("no assessment")))
        return;
    shot.shoot(f, QStringLiteral("issues"));
    checkWarnings(shot, f);
}

void allClear(Capture& shot)
{
    HealthScreenFixture f;
    f.set([](Facts& facts) { facts.loginItems = 3; });
    if (!f.open(kPageSize)) {
        shot.fail(QStringLiteral("the page did not load: ") + f.screen().errors().join(QLatin1Char('\n')));
        return;
    }
    if (!shot.check(f.settled(), QStringLiteral("no assessment")))
        return;
    shot.shoot(f, QStringLiteral("allclear"));
    checkWarnings(shot, f);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: qm_health_capture OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QDir(args.at(1)).absolutePath();
    QDir().mkpath(folder);
    Capture shot(folder);
    withIssues(shot);
    allClear(shot);
    return shot.failed() ? 1 : 0;
}
