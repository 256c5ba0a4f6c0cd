#include "support/DfOracle.h"

#include <QProcess>
#include <QStringList>

#include <stdexcept>

namespace qm::test {

DfFigures dfFigures(const std::filesystem::path& path)
{
    QProcess df;
    df.start(QStringLiteral("/bin/df"), {QStringLiteral("-B1"), QStringLiteral("--output=size,used,avail"),
                                         QString::fromStdString(path.native())});
    if (!df.waitForFinished(10'000) || df.exitStatus() != QProcess::NormalExit || df.exitCode() != 0)
        throw std::runtime_error("df failed on " + path.native());
    const QStringList lines = QString::fromUtf8(df.readAllStandardOutput()).split(QLatin1Char('\n'));
    const QStringList fields = lines.value(1).simplified().split(QLatin1Char(' '));
    bool ok[3] = {false, false, false};
    DfFigures figures{fields.value(0).toLongLong(&ok[0]), fields.value(1).toLongLong(&ok[1]),
                      fields.value(2).toLongLong(&ok[2])};
    if (fields.size() != 3 || !ok[0] || !ok[1] || !ok[2])
        throw std::runtime_error("df printed something else for " + path.native());
    return figures;
}

} // namespace qm::test
