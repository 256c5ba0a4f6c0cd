// Runs the application's helper client against the helper on the system bus (DBUS_SYSTEM_BUS_ADDRESS
// points it at the tests' private bus), with a service manager that reports the helper enabled and an
// administrator prompt that only records its command and succeeds. The helper's test build admits only
// this executable. Reads one command per line from standard input and prints one line per answer:
//   status                    -> status<TAB>installed|notInstalled|...
//   perform NAME              -> answer<TAB>0|1<TAB>message<TAB>daemon|prompt<TAB>usable|unusable|unknown
//   remove LABEL PATH...      -> answer<TAB>0|1<TAB>message
//   await-unknown             -> usability<TAB>unknown once the client has marked the helper's usability
//                                unknown (within a minute), else usability<TAB>usable|unusable
// Paths may hold "\n" (backslash, n) for a line break and "\xHH" for any byte. End of input ends the
// program.
#include "core/helper/DBusHelperConnection.h"
#include "core/helper/HelperClient.h"
#include "platform/SystemClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaEnum>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>

namespace {

class EnabledService final : public qm::DaemonService
{
public:
    EnabledService() : DaemonService(QStringLiteral("driver.service")) {}
    qm::Result<Status> status() const override { return Status::enabled; }
    qm::Result<void> registerDaemon() const override { return {}; }
    qm::Result<void> unregisterDaemon() const override { return {}; }
};

class RecordingPrompt final : public qm::AdminPrompt
{
public:
    qm::Result<qm::ProcessOutcome> run(const std::string& command) const override
    {
        const std::lock_guard lock(m_mutex);
        m_commands.push_back(command);
        qm::ProcessOutcome outcome;
        outcome.exited = true;
        outcome.exitCode = 0;
        return outcome;
    }
    std::size_t count() const
    {
        const std::lock_guard lock(m_mutex);
        return m_commands.size();
    }

private:
    mutable std::mutex m_mutex;
    mutable std::vector<std::string> m_commands;
};

// `word` with "\n" turned into a line break and "\xHH" into that byte; anything else stays as written.
std::string unescaped(const std::string& word)
{
    std::string out;
    for (std::size_t at = 0; at < word.size(); ++at) {
        if (word.compare(at, 2, "\\n") == 0) {
            out += '\n';
            ++at;
        } else if (word.compare(at, 2, "\\x") == 0 && at + 3 < word.size() &&
                   std::isxdigit(static_cast<unsigned char>(word[at + 2])) &&
                   std::isxdigit(static_cast<unsigned char>(word[at + 3]))) {
            out += static_cast<char>(std::stoi(word.substr(at + 2, 2), nullptr, 16));
            at += 3;
        } else {
            out += word[at];
        }
    }
    return out;
}

void print(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString bit(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString usability(std::optional<bool> usable)
{
    return !usable   ? QStringLiteral("unknown")
           : *usable ? QStringLiteral("usable")
                     : QStringLiteral("unusable");
}

qm::HelperClient::Answer wait(const std::function<void(qm::HelperClient::AnswerHandler)>& request)
{
    std::optional<qm::HelperClient::Answer> answer;
    QEventLoop loop;
    request([&](const qm::HelperClient::Answer& a) {
        answer = a;
        loop.quit();
    });
    if (!answer)
        loop.exec();
    return *answer;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qm::SystemClock clock;
    auto prompt = std::make_shared<RecordingPrompt>();
    qm::HelperClient client(qm::HelperClient::Services{
        clock, std::make_shared<EnabledService>(), prompt,
        [] { return std::make_unique<qm::DBusHelperConnection>(); }, QStringLiteral("1"), nullptr});

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "status") {
            QEventLoop loop;
            QObject::connect(&client, &qm::HelperClient::statusChanged, &loop, &QEventLoop::quit);
            client.refreshStatus();
            loop.exec();
            print(QStringLiteral("status\t") +
                  QString::fromLatin1(
                      QMetaEnum::fromType<qm::HelperClient::Status>().valueToKey(int(client.status()))));
        } else if (command == "perform") {
            std::string name;
            words >> name;
            const std::optional<qm::HelperAction> action =
                qm::HelperActions::fromRaw(QString::fromStdString(name));
            if (!action)
                return 2;
            const std::size_t promptsBefore = prompt->count();
            const auto answer = wait([&](auto done) { client.perform(*action, done); });
            print(QStringLiteral("answer\t") + bit(answer.ok) + QLatin1Char('\t') + answer.message +
                  QLatin1Char('\t') +
                  (prompt->count() > promptsBefore ? QStringLiteral("prompt") : QStringLiteral("daemon")) +
                  QLatin1Char('\t') + usability(client.daemonUsable()));
        } else if (command == "await-unknown") {
            QElapsedTimer waited;
            waited.start();
            while (client.daemonUsable().has_value() && waited.elapsed() < 60'000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
            print(QStringLiteral("usability\t") + usability(client.daemonUsable()));
        } else if (command == "remove") {
            std::string label;
            words >> label;
            std::vector<qm::Path> paths;
            std::string path;
            while (words >> path)
                paths.emplace_back(unescaped(path));
            const auto answer = wait(
                [&](auto done) { client.removeSystemThreat(QString::fromStdString(label), paths, done); });
            print(QStringLiteral("answer\t") + bit(answer.ok) + QLatin1Char('\t') + answer.message);
        } else {
            return 2;
        }
    }
    return 0;
}
