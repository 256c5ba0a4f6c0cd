#include "support/FakePolkitAuthority.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>

namespace qm::test {
namespace {

QString answerWord(FakePolkitAuthority::Answer answer)
{
    switch (answer) {
    case FakePolkitAuthority::Answer::yes:
        return QStringLiteral("yes");
    case FakePolkitAuthority::Answer::no:
        return QStringLiteral("no");
    case FakePolkitAuthority::Answer::challenge:
        return QStringLiteral("challenge");
    case FakePolkitAuthority::Answer::error:
        return QStringLiteral("error");
    case FakePolkitAuthority::Answer::silent:
        return QStringLiteral("silent");
    }
    return QStringLiteral("no");
}

} // namespace

FakePolkitAuthority::FakePolkitAuthority(QString busAddress) : m_address(std::move(busAddress))
{
    setRules({});
}

FakePolkitAuthority::~FakePolkitAuthority()
{
    stop();
}

void FakePolkitAuthority::setRules(const std::vector<Rule>& rules)
{
    QByteArray table;
    for (const Rule& rule : rules) {
        table += (rule.action.isEmpty() ? QStringLiteral("*") : rule.action).toUtf8() + ' ' +
                 (rule.uid < 0 ? QByteArray("*") : QByteArray::number(rule.uid)) + ' ' +
                 answerWord(rule.answer).toUtf8() + '\n';
    }
    // Written aside and renamed, so the service never reads half a table.
    m_folder.fileWithContent("table.new", table);
    std::filesystem::rename(m_folder.path("table.new"), m_folder.path("table"));
}

bool FakePolkitAuthority::start()
{
    stop();
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/sbin:/usr/bin:/sbin:/bin"));
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(QM_TEST_FAKE_POLKIT_AUTHORITY),
                    {QString::fromStdString(m_folder.path("table").native()),
                     QString::fromStdString(m_folder.path("calls.log").native())});
    QElapsedTimer waited;
    waited.start();
    while (!m_process.canReadLine()) {
        if (m_process.state() == QProcess::NotRunning || waited.elapsed() > 60'000)
            return false;
        m_process.waitForReadyRead(100);
    }
    return m_process.readLine().trimmed() == "ready";
}

void FakePolkitAuthority::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(60'000);
}

QStringList FakePolkitAuthority::calls() const
{
    QFile log(QString::fromStdString(m_folder.path("calls.log").native()));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void FakePolkitAuthority::clearCalls()
{
    std::filesystem::remove(m_folder.path("calls.log"));
}

std::string FakePolkitAuthority::busPolicy()
{
    return "  <policy user=\"root\">\n"
           "    <allow own=\"org.freedesktop.PolicyKit1\"/>\n"
           "  </policy>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"org.freedesktop.PolicyKit1\" "
           "send_interface=\"org.freedesktop.PolicyKit1.Authority\"/>\n"
           "  </policy>\n"
           "  <include "
           "ignore_missing=\"yes\">/usr/share/dbus-1/system.d/org.freedesktop.PolicyKit1.conf</include>\n";
}

} // namespace qm::test
