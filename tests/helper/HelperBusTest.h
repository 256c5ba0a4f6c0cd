#pragma once

#include "support/FakePolkitAuthority.h"
#include "support/TempTree.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace qm::test {

// A private system-like bus with the helper's test build behind it. Every test starts from a fresh
// fixture tree (the one the test build was built to act on: system root, fake commands that log their
// calls, the drop_caches stand-in) and a fresh dbus-daemon, which starts the helper on the first call,
// as the system bus does. The bus loads the helper's shipped policy file, and polkit's authority is
// played by a fake that authorises root (the tests' own uid, standing for the active desktop user) and
// answers everyone else as polkit answers a user outside the active session. Needs root: the helper
// admits only a root-owned client, and the shipped policy lets only root own the helper's name.
class HelperBusTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The fixture tree and its parts.
    static std::filesystem::path fixture();
    static std::filesystem::path root();
    static std::filesystem::path tool(const std::string& name);
    static std::filesystem::path callLog();
    static std::filesystem::path dropCaches();
    static std::filesystem::path clientExecutable();
    // root + a system path such as "/etc/systemd/system/x.service".
    static std::filesystem::path onDisk(const std::string& systemPath);

    // Replaces the fake `name` in the tools folder by a script that logs its call and runs `body`.
    static void writeTool(const std::string& name, const std::string& body = "exit 0");
    // The calls logged so far, one line each ("sync ", "resolvectl flush-caches", ...).
    static QStringList calls();
    static void clearCalls();

    // What the fake authority answers from the start: root yes, anyone else a challenge.
    static std::vector<FakePolkitAuthority::Rule> activeUserRules();
    FakePolkitAuthority& polkit() { return *m_polkit; }
    // The pid of the helper the bus started, or 0 while none runs.
    pid_t helperPid() const;

    // Runs the trusted client (or `executable`) with `arguments` against the private bus and returns
    // the line it printed.
    QString client(const QStringList& arguments,
                   const std::filesystem::path& executable = clientExecutable());
    // Starts the client without waiting for it.
    std::unique_ptr<QProcess> startClient(const QStringList& arguments);
    // The environment the bus and its clients get: the private bus as their system bus.
    QProcessEnvironment clientEnvironment() const;
    // The pid of the private bus's dbus-daemon.
    qint64 busPid() const { return m_daemon.processId(); }
    // The private bus's address.
    const QString& busAddress() const { return m_address; }

private:
    std::optional<TempTree> m_busFolder;
    QProcess m_daemon;
    QString m_address;
    std::unique_ptr<FakePolkitAuthority> m_polkit;
};

} // namespace qm::test
