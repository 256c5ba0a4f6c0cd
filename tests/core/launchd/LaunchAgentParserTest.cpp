#include "core/launchd/LaunchAgentParser.h"

#include "core/launchd/PlistFixture.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace p = test::plist;
using Parsed = LaunchAgentParser::Parsed;

Parsed parse(plist_t dictionary)
{
    const p::Owned owned = p::own(dictionary);
    return LaunchAgentParser::parse(dictionary);
}

std::optional<QString> some(const char* text)
{
    return QString::fromUtf8(text);
}

TEST(LaunchAgentParser, LabelAndProgram)
{
    struct Case
    {
        const char* what;
        plist_t dictionary;
        Parsed expected;
    };
    const std::optional<QString> none;
    Case cases[] = {
        {"an empty dictionary", p::dict({}), {none, none, false, none}},
        {"a string label",
         p::dict({{"Label", p::str("com.x.agent")}}),
         {some("com.x.agent"), none, false, none}},
        {"an empty label counts", p::dict({{"Label", p::str("")}}), {some(""), none, false, none}},
        {"a label that is no string", p::dict({{"Label", p::integer(3)}}), {none, none, false, none}},
        {"keys are case-sensitive", p::dict({{"label", p::str("x")}, {"program", p::str("/bin/x")}}), {}},
        {"Program", p::dict({{"Program", p::str("/opt/x")}}), {none, some("/opt/x"), false, none}},
        {"Program before ProgramArguments",
         p::dict({{"Program", p::str("/opt/x")}, {"ProgramArguments", p::array({p::str("/opt/y")})}}),
         {none, some("/opt/x"), false, none}},
        {"an empty Program falls back, and the script comes with it",
         p::dict({{"Program", p::str("")},
                  {"ProgramArguments", p::array({p::str("/bin/sh"), p::str("/opt/x.sh")})}}),
         {none, some("/bin/sh"), false, some("/opt/x.sh")}},
        {"a Program that is no string falls back",
         p::dict({{"Program", p::integer(1)}, {"ProgramArguments", p::array({p::str("/opt/y")})}}),
         {none, some("/opt/y"), false, none}},
        {"an empty first argument is still the program",
         p::dict({{"ProgramArguments", p::array({p::str("")})}}),
         {none, some(""), false, none}},
        {"an empty argument list", p::dict({{"ProgramArguments", p::array({})}}), {}},
        {"arguments that are no array", p::dict({{"ProgramArguments", p::str("/bin/sh")}}), {}},
        {"a first argument that is no string",
         p::dict({{"ProgramArguments", p::array({p::integer(1), p::str("/x")})}}),
         {}},
        {"Program python3 with a relative script",
         p::dict({{"Program", p::str("/usr/bin/python3")},
                  {"ProgramArguments", p::array({p::str("python3"), p::str("x.py")})}}),
         {none, some("/usr/bin/python3"), false, none}},
        {"Program python3: the second argument is consulted",
         p::dict({{"Program", p::str("/usr/bin/python3")},
                  {"ProgramArguments", p::array({p::str("python3"), p::str("/opt/x.py")})}}),
         {none, some("/usr/bin/python3"), false, some("/opt/x.py")}},
        {"an interpreter with one argument",
         p::dict({{"ProgramArguments", p::array({p::str("/bin/bash")})}}),
         {none, some("/bin/bash"), false, none}},
        {"Python3 with a capital is no interpreter",
         p::dict({{"ProgramArguments", p::array({p::str("/usr/bin/Python3"), p::str("/opt/x.py")})}}),
         {none, some("/usr/bin/Python3"), false, none}},
        {"env is no interpreter",
         p::dict({{"ProgramArguments",
                   p::array({p::str("/usr/bin/env"), p::str("/usr/bin/python3"), p::str("/opt/x.py")})}}),
         {none, some("/usr/bin/env"), false, none}},
        {"python3.11 is no interpreter",
         p::dict({{"ProgramArguments", p::array({p::str("/usr/bin/python3.11"), p::str("/opt/x.py")})}}),
         {none, some("/usr/bin/python3.11"), false, none}},
        {"a second argument that is no string",
         p::dict({{"ProgramArguments", p::array({p::str("/bin/sh"), p::integer(1)})}}),
         {none, some("/bin/sh"), false, none}},
        {"a trailing slash still names the interpreter",
         p::dict({{"ProgramArguments", p::array({p::str("/bin/sh/"), p::str("/opt/x")})}}),
         {none, some("/bin/sh/"), false, some("/opt/x")}},
    };
    for (Case& c : cases)
        EXPECT_EQ(parse(c.dictionary), c.expected) << c.what;

    const p::Owned notADictionary = p::own(p::array({p::str("x")}));
    EXPECT_EQ(LaunchAgentParser::parse(notADictionary.get()), Parsed{});
    EXPECT_EQ(LaunchAgentParser::parse(nullptr), Parsed{});
}

TEST(LaunchAgentParser, TheThirteenInterpreters)
{
    for (const char* name : {"sh", "bash", "zsh", "dash", "ksh", "python", "python2", "python3", "perl",
                             "perl5", "ruby", "node", "osascript"}) {
        const QByteArray full = QByteArray("/usr/bin/") + name;
        EXPECT_EQ(
            parse(p::dict({{"ProgramArguments", p::array({p::str(full.constData()), p::str("/opt/s")})}}))
                .script,
            some("/opt/s"))
            << name;
        EXPECT_EQ(parse(p::dict({{"ProgramArguments", p::array({p::str(name), p::str("/opt/s")})}})).script,
                  some("/opt/s"))
            << name;
        const QByteArray upper = QByteArray(name).toUpper();
        EXPECT_EQ(
            parse(p::dict({{"ProgramArguments", p::array({p::str(upper.constData()), p::str("/opt/s")})}}))
                .script,
            std::nullopt)
            << name;
    }
}

TEST(LaunchAgentParser, RunAtLoadForms)
{
    struct Case
    {
        const char* what;
        plist_t value; // null: the key is missing
        bool expected;
    };
    Case cases[] = {
        {"true", p::boolean(true), true},
        {"false", p::boolean(false), false},
        {"TRUE", p::str("TRUE"), true},
        {"tRuE", p::str("tRuE"), true},
        {"False", p::str("False"), false},
        {"yes has no value", p::str("yes"), false},
        {"1", p::str("1"), true},
        {"0", p::str("0"), false},
        {"1 with a blank", p::str(" 1"), false},
        {"the number 2", p::integer(2), true},
        {"the number 0", p::integer(0), false},
        {"the real 0.5", p::real(0.5), true},
        {"the real 0", p::real(0.0), false},
        {"an array", p::array({p::boolean(true)}), false},
        {"missing", nullptr, false},
    };
    for (Case& c : cases) {
        plist_t dictionary = p::dict({{"Label", p::str("x")}});
        if (c.value)
            plist_dict_set_item(dictionary, "RunAtLoad", c.value);
        EXPECT_EQ(parse(dictionary).runAtLoad, c.expected) << c.what;
    }
}

} // namespace
} // namespace qm
