#include "core/launchd/LaunchAgentParser.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

std::optional<QString> some(const char* text)
{
    return QString::fromUtf8(text);
}

TEST(LaunchAgentParser, TheScriptAnInterpreterIsGiven)
{
    struct Case
    {
        const char* what;
        const char* program;
        std::optional<QString> firstArgument;
        std::optional<QString> expected;
    };
    const std::optional<QString> none;
    const Case cases[] = {
        {"an interpreter with an absolute script", "/bin/sh", some("/opt/x.sh"), some("/opt/x.sh")},
        {"an interpreter by name alone", "python3", some("/opt/x.py"), some("/opt/x.py")},
        {"a relative script", "/usr/bin/python3", some("x.py"), none},
        {"an interpreter with no argument", "/bin/bash", none, none},
        {"Python3 with a capital is no interpreter", "/usr/bin/Python3", some("/opt/x.py"), none},
        {"env is no interpreter", "/usr/bin/env", some("/usr/bin/python3"), none},
        {"python3.11 is no interpreter", "/usr/bin/python3.11", some("/opt/x.py"), none},
        {"a trailing slash still names the interpreter", "/bin/sh/", some("/opt/x"), some("/opt/x")},
        {"a path of slashes only", "//", some("/opt/x"), none},
        {"an empty program", "", some("/opt/x"), none},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LaunchAgentParser::scriptFor(QString::fromUtf8(c.program), c.firstArgument), c.expected)
            << c.what;
}

TEST(LaunchAgentParser, TheThirteenInterpreters)
{
    for (const char* name : {"sh", "bash", "zsh", "dash", "ksh", "python", "python2", "python3", "perl",
                             "perl5", "ruby", "node", "osascript"}) {
        const QString bare = QString::fromLatin1(name);
        EXPECT_EQ(LaunchAgentParser::scriptFor("/usr/bin/" + bare, some("/opt/s")), some("/opt/s")) << name;
        EXPECT_EQ(LaunchAgentParser::scriptFor(bare, some("/opt/s")), some("/opt/s")) << name;
        EXPECT_EQ(LaunchAgentParser::scriptFor(bare.toUpper(), some("/opt/s")), std::nullopt) << name;
    }
}

} // namespace
} // namespace qm
