#include "support/CommaLocale.h"

#include "support/TempTree.h"

#include <QProcess>
#include <QStringList>

#include <clocale>
#include <cstdio>
#include <cstring>

namespace qm::test {

CommaLocale::CommaLocale()
    : m_folder(std::make_unique<TempTree>()), m_oldLocPath(qgetenv("LOCPATH")),
      m_oldLocale(std::setlocale(LC_ALL, nullptr))
{
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
                    {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                     QStringLiteral("UTF-8"),
                     QString::fromStdString((m_folder->root() / "de_DE.UTF-8").string())});
    if (!localedef.waitForFinished(60'000) || localedef.exitStatus() != QProcess::NormalExit ||
        localedef.exitCode() != 0) {
        m_failure =
            QStringLiteral("localedef failed: ") + QString::fromUtf8(localedef.readAllStandardError());
        return;
    }
    qputenv("LOCPATH", QByteArray::fromStdString(m_folder->root().string()));
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        m_failure = QStringLiteral("setlocale refused the compiled locale");
        return;
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 7.25);
    if (std::strcmp(probe, "7,2") != 0)
        m_failure = QStringLiteral("the compiled locale writes ") + QString::fromLatin1(probe);
}

CommaLocale::~CommaLocale()
{
    std::setlocale(LC_ALL, m_oldLocale.constData());
    if (m_oldLocPath.isNull())
        qunsetenv("LOCPATH");
    else
        qputenv("LOCPATH", m_oldLocPath);
}

} // namespace qm::test
