#include "core/launchd/SystemdUnit.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace qm {
namespace {

std::optional<SystemdUnit> parse(const char* text)
{
    return SystemdUnit::parse(QByteArrayView(text));
}

TEST(SystemdUnitTest, ReadsDescriptionAndTheFirstCommand)
{
    struct Case
    {
        const char* why;
        const char* text;
        QString description;
        QString program;
        QStringList arguments;
    };
    const Case cases[] = {
        {"plain",
         "[Unit]\nDescription=Sync\n[Service]\nExecStart=/usr/bin/sync --now\n",
         "Sync",
         "/usr/bin/sync",
         {"--now"}},
        {"blanks, comments and CRLF",
         "# c\n; c\n[Unit]\r\n  Description = A B  \r\n[Service]\r\nExecStart = /x\r\n",
         "A B",
         "/x",
         {}},
        {"prefixes", "[Service]\nExecStart=-:+/opt/a b\n", "", "/opt/a", {"b"}},
        {"full privileges prefix", "[Service]\nExecStart=!!/opt/a\n", "", "/opt/a", {}},
        {"argument zero",
         "[Service]\nExecStart=@/opt/miner kworker -o pool\n",
         "",
         "/opt/miner",
         {"-o", "pool"}},
        {"first command of several", "[Service]\nExecStart=/a\nExecStart=/b\n", "", "/a", {}},
        {"an empty assignment resets", "[Service]\nExecStart=/a\nExecStart=\nExecStart=/b\n", "", "/b", {}},
        {"last description wins", "[Unit]\nDescription=one\nDescription=two\n", "two", "", {}},
        {"keys of other sections", "[Install]\nDescription=x\nExecStart=/y\n[Unit]\n", "", "", {}},
        {"a continued line",
         "[Service]\nExecStart=/opt/a \\\n# between\n  --flag\n",
         "",
         "/opt/a",
         {"--flag"}},
        {"quotes and escapes",
         R"([Service]
ExecStart=/bin/sh -c 'echo "a b"; x' "c\"d" e\x41 100%% \n)",
         "",
         "/bin/sh",
         {"-c", "echo \"a b\"; x", "c\"d", "eA", "100%", "\n"}},
        {"a bare program name", "[Service]\nExecStart=xmrig\n", "", "xmrig", {}},
    };
    for (const Case& c : cases) {
        const auto unit = parse(c.text);
        ASSERT_TRUE(unit) << c.why;
        EXPECT_EQ(unit->description, c.description) << c.why;
        EXPECT_EQ(unit->program, c.program) << c.why;
        EXPECT_EQ(unit->arguments, c.arguments) << c.why;
    }
}

TEST(SystemdUnitTest, RefusesWhatIsNoUnit)
{
    const char* const cases[] = {
        "ExecStart=/a\n[Service]\n",              // an assignment before any section
        "[Service\nExecStart=/a\n",               // an unclosed header
        "[Service]\nwords without equals\n",      // a line that is nothing
        "[Service]\nExecStart=/a \"unfinished\n", // an unfinished quote
        "[Unit]\nDescription=\xff\n",             // not UTF-8
    };
    for (const char* text : cases)
        EXPECT_FALSE(parse(text)) << text;
}

TEST(SystemdUnitTest, KeepsHostileTextAsWritten)
{
    const auto unit =
        parse("[Unit]\nDescription=<img src=x> \u202Eevil\n[Service]\nExecStart=/tmp/$(id) %h `x`\n");
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->description, QStringLiteral("<img src=x> \u202Eevil"));
    EXPECT_EQ(unit->program, "/tmp/$(id)");
    EXPECT_EQ(unit->arguments, QStringList({"%h", "`x`"}));
}

TEST(SystemdUnitTest, ReadsThroughTheBoundedReader)
{
    test::TempTree tree;
    const Path file = tree.fileWithContent("a.service", "[Service]\nExecStart=/opt/a\n");
    const Path link = tree.symlink("a.service", "b.service");
    const Path fifo = tree.fifo("c.service");
    const Path junk = tree.fileWithContent("d.service", "junk\n");

    const auto read = SystemdUnit::read(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->program, "/opt/a");
    EXPECT_TRUE(SystemdUnit::read(link).error().isPosix(ELOOP));
    EXPECT_FALSE(SystemdUnit::read(fifo));
    EXPECT_TRUE(SystemdUnit::read(junk).error().isPosix(EBADMSG));
    EXPECT_TRUE(SystemdUnit::read(file, 5).error().isPosix(EFBIG));
}

} // namespace
} // namespace qm
