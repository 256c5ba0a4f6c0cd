// The real application on an empty home, under the private X server that with_xvfb.sh provides: it
// shows the screens of the Go menu's shortcuts, then the Cleanup screen and scans, is ended, and then the
// Cleanup page scans that same home. Qt keeps shader and QML caches under ~/.cache unless told not to, and
// the page offers everything there as developer caches, so an application that wrote there would offer its
// own files as junk. The one folder allowed there is the shader cache of the graphics stack (Mesa's), which
// every OpenGL program of the desktop shares and a real home already has.
#include "CleanupScreenHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QQuickItem>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <system_error>

namespace qm::test {
namespace {

namespace fs = std::filesystem;

QString q(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

// Runs a helper tool to its end (10 s at most) and returns its standard output.
QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(10'000)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

// The names Mesa gives its shader cache under the cache folder: the default one, the single-file one and
// the database one.
bool isGraphicsShaderCache(const fs::path& name)
{
    return name == "mesa_shader_cache" || name == "mesa_shader_cache_sf" || name == "mesa_shader_cache_db";
}

// Every entry under `folder`, relative to it, except what lies in the graphics stack's shader cache; an
// empty list when the folder does not exist.
QStringList entriesUnder(const fs::path& folder)
{
    QStringList out;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path relative = it->path().lexically_relative(folder);
        if (!isGraphicsShaderCache(*relative.begin()))
            out.append(q(relative));
    }
    return out;
}

TEST(FreshHome, TheApplicationWritesNothingUnderTheCacheFolderAndFindsNothingToClean)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under with_xvfb.sh";
    CleanupScreenHarness h;
    const fs::path home = h.home().home();
    const fs::path cache = home / ".cache";
    TempTree runtime;
    fs::permissions(runtime.root(), fs::perms::owner_all);
    // gsettings and dconf found by name first run these stand-ins, which leave a mark: asked by name
    // or by their full path, the real ones write dconf's files under the runtime folder (under the
    // cache folder without one), which the checks below catch.
    TempTree tools;
    const fs::path asked = tools.path("asked");
    for (const char* tool : {"gsettings", "dconf"}) {
        const QByteArray body =
            "#!/bin/sh\necho \"$0 $*\" >> '" + QByteArray::fromStdString(asked.native()) + "'\nexit 1\n";
        const fs::path script = tools.fileWithContent(tools.path("bin") / tool, body);
        fs::permissions(script, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }

    // The environment a desktop session gives it, every folder inside the fixture home.
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"),
               q(tools.path("bin")) + QLatin1Char(':') + qEnvironmentVariable("PATH"));
    env.insert(QStringLiteral("DISPLAY"), qEnvironmentVariable("DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), q(home));
    env.insert(QStringLiteral("XDG_DATA_HOME"), q(home / ".local/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), q(home / ".config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), q(cache));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), q(runtime.root()));
    for (const char* sanitizer : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (qEnvironmentVariableIsSet(sanitizer))
            env.insert(QString::fromLatin1(sanitizer), qEnvironmentVariable(sanitizer));

    QProcess app;
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(QStringLiteral(QM_APP_EXECUTABLE), {});
    ASSERT_TRUE(app.waitForStarted(10'000));
    const auto output = [&] { return QString::fromLocal8Bit(app.readAll()).toStdString(); };

    // Without a window manager the application's window is a child of the root window.
    QString window;
    QElapsedTimer waited;
    waited.start();
    while (window.isEmpty() && waited.elapsed() < 20'000 && app.state() == QProcess::Running) {
        const QString info =
            runTool(QStringLiteral("xwininfo"), {QStringLiteral("-name"), QStringLiteral("Quillmere")});
        if (info.contains(QStringLiteral("Map State: IsViewable")))
            window = QRegularExpression(QStringLiteral("Window id: (0x[0-9a-f]+)")).match(info).captured(1);
        else
            QThread::msleep(100);
    }
    ASSERT_FALSE(window.isEmpty()) << "no window within 20 s\n" << output();

    // The screens of the Go menu's shortcuts, then the Cleanup screen and its scan, as a user would start
    // them; then time for every screen, its shaders and the scan to be done (waiting longer only makes
    // the check stricter).
    QStringList keys{QStringLiteral("windowfocus"), QStringLiteral("--sync"),  window,
                     QStringLiteral("key"),         QStringLiteral("--delay"), QStringLiteral("150")};
    for (int module = 1; module <= 9; ++module)
        keys << QStringLiteral("ctrl+%1").arg(module);
    keys << QStringLiteral("ctrl+3") << QStringLiteral("ctrl+r");
    runTool(QStringLiteral("xdotool"), keys);
    QThread::sleep(4);
    app.terminate();
    ASSERT_TRUE(app.waitForFinished(10'000)) << output();
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << output();
    EXPECT_EQ(app.exitCode(), 0) << output();

    const QStringList written = entriesUnder(cache);
    EXPECT_TRUE(written.isEmpty()) << "written under ~/.cache:\n"
                                   << written.join(QLatin1Char('\n')).toStdString();
    // Reading the reduce-motion setting runs no settings tool and opens no dconf database.
    EXPECT_FALSE(fs::exists(asked)) << "a settings tool ran";
    EXPECT_FALSE(fs::exists(runtime.path("dconf")))
        << "dconf's files were made: " << entriesUnder(runtime.root()).join(QLatin1Char(' ')).toStdString();
    // The graphics stack's cache is another program's, which the page rightly offers like any other;
    // what follows checks what the application itself left.
    for (const char* name : {"mesa_shader_cache", "mesa_shader_cache_sf", "mesa_shader_cache_db"})
        fs::remove_all(cache / name);

    // The Cleanup page on the same home: nothing to clean.
    ASSERT_TRUE(h.open(QSize(820, 900))) << h.errors().join(QLatin1Char('\n')).toStdString();
    h.model().scan(false);
    ASSERT_TRUE(h.settle([&] { return h.model().phase() == CleanupViewModel::Phase::results; }));
    QQuickItem* empty = nullptr;
    ASSERT_TRUE(h.settle([&] { return (empty = h.find(QStringLiteral("emptyState"))) != nullptr; }))
        << "the page shows results instead: " << h.model().categories().size() << " categories";
    QObject* title = empty->property("titleText").value<QObject*>();
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->property("text").toString(), QStringLiteral("Nothing to clean"));

    // What another Qt program leaves there stays junk to offer.
    h.home().file(cache / "qtshadercache-x86_64-little_endian-lp64/0a1b2c3d", 4'000);
    h.model().scan(false);
    ASSERT_TRUE(h.settle([&] { return h.find(QStringLiteral("section:userCaches")) != nullptr; }))
        << "another program's shader cache is offered";
}

} // namespace
} // namespace qm::test
