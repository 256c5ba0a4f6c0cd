#include "app/platform/GuiWorkspace.h"

#include "app/platform/DesktopOpenFailures.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

namespace qm {
namespace {

namespace fs = std::filesystem;

// Answers ShowItems as a file manager would, and remembers what it was asked to show.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QList<QStringList> shown;

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        Q_UNUSED(startupId);
        shown.append(uris);
    }
};

template <typename Predicate> bool settle(Predicate done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 30'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A private session bus for the duration of one test, so nothing reaches the real desktop.
class GuiWorkspaceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const fs::path socket = m_folder.path("bus.sock");
        const QByteArray config =
            "<busconfig><type>session</type><listen>unix:path=" + QByteArray::fromStdString(socket.native()) +
            "</listen><policy context=\"default\"><allow send_destination=\"*\" "
            "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
            "</busconfig>";
        const fs::path configFile = m_folder.fileWithContent("bus.conf", config);
        m_address = QStringLiteral("unix:path=") + QString::fromStdString(socket.native());
        m_daemon.start(QStringLiteral("/usr/bin/dbus-daemon"),
                       {QStringLiteral("--config-file=") + QString::fromStdString(configFile.native()),
                        QStringLiteral("--nofork"), QStringLiteral("--nopidfile")});
        if (!m_daemon.waitForStarted(10'000))
            GTEST_SKIP() << "no dbus-daemon to run a private bus";
        for (int waited = 0; waited < 10'000; waited += 20) {
            if (QDBusConnection::connectToBus(m_address, QStringLiteral("probe")).isConnected())
                break;
            QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
            QThread::msleep(20);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
    }

    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
        QDBusConnection::disconnectFromBus(QStringLiteral("application"));
        m_daemon.kill();
        m_daemon.waitForFinished(10'000);
    }

    QDBusConnection connect(const QString& name) { return QDBusConnection::connectToBus(m_address, name); }

    test::TempTree m_folder;
    QString m_address;
    QProcess m_daemon;
};

TEST_F(GuiWorkspaceTest, TheFileManagerShowsTheItemByItsExactAddress)
{
    QDBusConnection fileManagerBus = connect(QStringLiteral("file-manager"));
    ASSERT_TRUE(fileManagerBus.isConnected());
    FakeFileManager fileManager;
    ASSERT_TRUE(fileManagerBus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager,
                                              QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(fileManagerBus.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    QList<QUrl> opened;
    GuiWorkspace workspace(connect(QStringLiteral("application")), [&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    const Path item = Path("/tmp/reveal") / test::TempTree::nonUtf8Name();
    workspace.reveal(item);
    ASSERT_TRUE(settle([&] { return !fileManager.shown.isEmpty(); }));
    EXPECT_EQ(fileManager.shown.first(), QStringList{QStringLiteral("file:///tmp/reveal/a%FF")});
    QCoreApplication::processEvents();
    EXPECT_TRUE(opened.isEmpty()) << "no fallback when the file manager answers";

    workspace.openUrl(QUrl(QStringLiteral("https://example.org/")));
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/"))});
}

TEST_F(GuiWorkspaceTest, WithoutAFileManagerTheFolderIsOpened)
{
    QList<QUrl> opened;
    GuiWorkspace workspace(connect(QStringLiteral("application")), [&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    workspace.reveal(Path("/tmp/reveal/item.txt"));
    ASSERT_TRUE(settle([&] { return !opened.isEmpty(); })) << "nobody owns the file manager's name";
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("file:///tmp/reveal"))});
}

TEST_F(GuiWorkspaceTest, WithoutABusTheFolderIsOpenedAtOnce)
{
    QList<QUrl> opened;
    GuiWorkspace workspace(QDBusConnection(QStringLiteral("never-connected")), [&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    workspace.reveal(Path("/tmp/reveal/item.txt"));
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("file:///tmp/reveal"))});
}

// When nothing opens the folder of an item to show, or an address, the failure is told with the item's
// path or the address, so the window can say so; nothing is told while something opens.
TEST(GuiWorkspaceFailureTest, WhatDoesNotOpenIsToldWithItsPathOrAddress)
{
    QList<QStringList> told;
    QObject receiver;
    QObject::connect(&DesktopOpenFailures::instance(), &DesktopOpenFailures::failed, &receiver,
                     [&](const QString& title, const QString& message, const QString& subject) {
                         told.append({title, message, subject});
                     });
    bool opens = false;
    GuiWorkspace workspace(QDBusConnection(QStringLiteral("never-connected")),
                           [&](const QUrl&) { return opens; });
    const Path item = Path("/tmp/reveal") / test::TempTree::nonUtf8Name();
    struct Row
    {
        std::function<void()> act;
        QString title;
        QString subject;
    };
    const Row rows[] = {
        {[&] { workspace.reveal(item); }, QStringLiteral("Couldn't show the item"),
         QFile::decodeName(QByteArray::fromStdString(item.native()))},
        {[&] { workspace.openUrl(QUrl(QStringLiteral("https://example.org/releases"))); },
         QStringLiteral("Couldn't open the page"), QStringLiteral("https://example.org/releases")},
        {[&] { workspace.openUrl(Workspace::fileUrl(Path("/tmp/some folder"))); },
         QStringLiteral("Couldn't open the folder"), QStringLiteral("/tmp/some folder")},
        {[&] { workspace.openUrl(QUrl(QStringLiteral("appstream://org.example.app"))); },
         QStringLiteral("Couldn't open the link"), QStringLiteral("appstream://org.example.app")},
    };
    for (const Row& row : rows) {
        told.clear();
        opens = true;
        row.act();
        EXPECT_TRUE(told.isEmpty()) << row.title.toStdString() << ": told while something opened";
        opens = false;
        row.act();
        ASSERT_EQ(told.size(), 1) << row.title.toStdString();
        EXPECT_EQ(told.first()[0], row.title);
        EXPECT_FALSE(told.first()[1].isEmpty());
        EXPECT_EQ(told.first()[2], row.subject);
    }
}

} // namespace
} // namespace qm

#include "GuiWorkspaceTest.moc"
