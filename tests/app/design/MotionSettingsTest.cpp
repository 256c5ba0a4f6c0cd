#include "app/qml/design/MotionSettings.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

// A stand-in for gsettings: a shell script with `body`, made executable in its own temporary folder.
class FakeGsettings
{
public:
    explicit FakeGsettings(const QByteArray& body)
    {
        m_path = m_dir.filePath(QStringLiteral("gsettings"));
        QFile script(m_path);
        if (!script.open(QIODevice::WriteOnly) || script.write("#!/bin/sh\n" + body + "\n") < 0)
            ADD_FAILURE() << "cannot write " << m_path.toStdString();
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                              QFile::ExeOther);
    }

    std::filesystem::path path() const { return std::filesystem::path(m_path.toStdString()); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// Sets an environment variable for the life of the object, then puts the old state back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_wasSet;
    QByteArray m_old;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(MotionSettings, OnlyAnExactFalseFromASuccessfulRunReducesMotion)
{
    const struct
    {
        const char* body;
        bool reduceMotion;
    } cases[] = {
        {"echo true", false},
        {"echo false", true},
        {"printf false", true},
        {"printf '  false \\n\\n'", true},
        {"echo FALSE", false},
        {"echo 'false true'", false},
        {"echo", false},
        {"echo false; exit 1", false},
        {"echo \"No such schema 'org.gnome.desktop.interface'\" >&2; exit 1", false},
        {"kill -9 $$", false},
    };
    const ProcessRunner runner;
    for (const auto& c : cases) {
        const FakeGsettings fake(c.body);
        const MotionSettings settings(runner, fake.path());
        EXPECT_EQ(settings.reduceMotion(), c.reduceMotion) << c.body;
    }
}

TEST(MotionSettings, MissingOrUnrunnableProgramLeavesMotionOn)
{
    const ProcessRunner runner;
    QTemporaryDir dir;
    const std::filesystem::path missing = dir.filePath(QStringLiteral("no-gsettings")).toStdString();
    EXPECT_EQ(MotionSettings::readAnimationsEnabled(runner, missing), std::nullopt);
    EXPECT_FALSE(MotionSettings(runner, missing).reduceMotion());

    // A relative path is refused by the runner rather than looked up.
    EXPECT_FALSE(MotionSettings(runner, "gsettings").reduceMotion());

    // A file that is not executable.
    QFile plain(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("#!/bin/sh\necho false\n");
    plain.close();
    EXPECT_FALSE(MotionSettings(runner, plain.fileName().toStdString()).reduceMotion());
}

TEST(MotionSettings, AsksForTheGnomeKeyWithTheSessionVariablesOnly)
{
    const ScopedEnv home("HOME", "/tmp/qm-motion-home");
    const ScopedEnv config("XDG_CONFIG_HOME", "/tmp/qm-motion-home/.config");
    const ScopedEnv unrelated("QM_MOTION_UNRELATED", "leaked");
    FakeGsettings fake("printf '%s|' \"$@\" > \"$(dirname \"$0\")/args\"\n"
                       "printf '%s|%s|%s' \"$HOME\" \"$XDG_CONFIG_HOME\" \"${QM_MOTION_UNRELATED:-}\" "
                       "> \"$(dirname \"$0\")/env\"\n"
                       "echo false");
    const std::optional<bool> enabled = MotionSettings::readAnimationsEnabled(ProcessRunner(), fake.path());

    EXPECT_EQ(enabled, std::optional<bool>(false));
    EXPECT_EQ(readAll(fake.file(QStringLiteral("args"))),
              QByteArray("get|org.gnome.desktop.interface|enable-animations|"));
    EXPECT_EQ(readAll(fake.file(QStringLiteral("env"))),
              QByteArray("/tmp/qm-motion-home|/tmp/qm-motion-home/.config|"));
}

TEST(MotionSettings, TestsCanForceEitherValue)
{
    const FakeGsettings fake("echo true");
    MotionSettings settings(ProcessRunner(), fake.path());
    QSignalSpy changed(&settings, &MotionSettings::reduceMotionChanged);
    ASSERT_FALSE(settings.reduceMotion());

    settings.setReduceMotion(true);
    settings.setReduceMotion(true);
    EXPECT_TRUE(settings.reduceMotion());
    settings.setReduceMotion(false);
    EXPECT_FALSE(settings.reduceMotion());
    EXPECT_EQ(changed.count(), 2) << "a write of the same value is not a change";
}

} // namespace
} // namespace qm
