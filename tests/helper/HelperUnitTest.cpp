// The helper's systemd unit as the build generates it: systemd's own security review rates its sandbox.
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdio>

namespace qm {
namespace {

// The highest overall exposure `systemd-analyze security` may give the unit (0 is best, 10 worst).
constexpr double kMaxExposure = 4.5;

QString unitPath()
{
    return QStringLiteral(QM_TEST_HELPER_UNIT);
}

TEST(HelperUnit, SystemdRatesItsSandboxAtMostTheTarget)
{
    QProcess analyze;
    analyze.setProcessChannelMode(QProcess::MergedChannels);
    analyze.start(QStringLiteral("systemd-analyze"),
                  {QStringLiteral("security"), QStringLiteral("--offline=true"), QStringLiteral("--no-pager"),
                   unitPath()});
    ASSERT_TRUE(analyze.waitForStarted())
        << "systemd-analyze is missing: scripts/setup installs it (systemd)";
    ASSERT_TRUE(analyze.waitForFinished(120'000));
    const QString report = QString::fromUtf8(analyze.readAll());

    const QRegularExpressionMatch overall =
        QRegularExpression(QStringLiteral("Overall exposure level for [^:]+: ([0-9]+\\.[0-9]+)"))
            .match(report);
    ASSERT_TRUE(overall.hasMatch()) << report.toStdString();
    const double exposure = overall.captured(1).toDouble();
    EXPECT_LE(exposure, kMaxExposure) << report.toStdString();
    std::printf("systemd-analyze security: %.1f\n", exposure);
}

} // namespace
} // namespace qm
