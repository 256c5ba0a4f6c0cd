#include "core/xdg/DesktopEntry.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace qm {
namespace {

std::optional<DesktopEntry> parse(const char* text)
{
    return DesktopEntry::parse(QByteArrayView(text));
}

TEST(DesktopEntryTest, AcceptsOrRefusesAFileByTheFormatsRules)
{
    struct Case
    {
        const char* why;
        const char* text;
        bool valid;
    };
    const Case cases[] = {
        {"comments and blank lines before the first group", "# c\n\n  # indented\n[Desktop Entry]\nName=a\n",
         true},
        {"CRLF line ends", "[Desktop Entry]\r\nName=a\r\n", true},
        {"blanks around the equals sign", "[Desktop Entry]\nName \t=\t a\n", true},
        {"a further group", "[Desktop Entry]\nName=a\n[Desktop Action New]\nExec=b\n", true},
        {"a locale key", "[Desktop Entry]\nName[sr@latin]=a\n", true},
        {"no group at all", "# only a comment\n", false},
        {"an empty file", "", false},
        {"a key before the first group", "Name=a\n[Desktop Entry]\n", false},
        {"another first group", "[Desktop Action]\n[Desktop Entry]\nName=a\n", false},
        {"a line that is nothing", "[Desktop Entry]\nName=a\njust words\n", false},
        {"an unclosed group header", "[Desktop Entry\nName=a\n", false},
        {"an empty key", "[Desktop Entry]\n=a\n", false},
        {"a bracket inside the key", "[Desktop Entry]\nNa[m]e=a\n", false},
        {"an empty locale", "[Desktop Entry]\nName[]=a\n", false},
        {"bytes that are not UTF-8", "[Desktop Entry]\nName=a\xff\n", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse(c.text).has_value(), c.valid) << c.why;
}

TEST(DesktopEntryTest, ARepeatedKeyKeepsItsLastValueAndARepeatedGroupContinues)
{
    const auto entry = parse("[Desktop Entry]\nExec=/bin/true\nName=first\n[Other]\nX=1\n"
                             "[Desktop Entry]\nExec=/opt/miner\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->groups(), QStringList({"Desktop Entry", "Other"}));
    EXPECT_EQ(entry->rawValue("Exec"), "/opt/miner");
    EXPECT_EQ(entry->rawValue("Name"), "first");
    EXPECT_EQ(entry->rawValue("X", "Other"), "1");
    EXPECT_EQ(entry->rawValue("X"), std::nullopt);
    EXPECT_EQ(entry->rawValue("Name[de]"), std::nullopt) << "a locale key is its own key";
}

TEST(DesktopEntryTest, DecodesStringsBooleansAndLists)
{
    const auto entry = parse("[Desktop Entry]\n"
                             "Name=a\\sb\\tc\\nd\\re\\\\f\\xg\\\n"
                             "Hidden=true \n"
                             "One=1\nZero=0\nYes=yes\nCaps=True\n"
                             "OnlyShowIn=GNOME;Unity;\n"
                             "NotShowIn=A\\;B;C\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->string("Name"), QStringLiteral("a b\tc\nd\re\\f\\xg\\"));
    EXPECT_EQ(entry->string("Missing"), std::nullopt);

    EXPECT_EQ(entry->boolean("Hidden"), true);
    EXPECT_EQ(entry->boolean("One"), true);
    EXPECT_EQ(entry->boolean("Zero"), false);
    EXPECT_EQ(entry->boolean("Yes"), std::nullopt);
    EXPECT_EQ(entry->boolean("Caps"), std::nullopt);
    EXPECT_EQ(entry->boolean("Missing"), std::nullopt);

    EXPECT_EQ(entry->stringList("OnlyShowIn"), QStringList({"GNOME", "Unity"}));
    EXPECT_EQ(entry->stringList("NotShowIn"), QStringList({"A;B", "C"}));
    EXPECT_TRUE(entry->stringList("Missing").isEmpty());
}

TEST(DesktopEntryTest, SplitsTheCommandLineWithItsQuotingAndFieldCodes)
{
    struct Case
    {
        const char* exec;
        std::optional<QStringList> arguments;
    };
    const Case cases[] = {
        {"/usr/bin/app --flag", QStringList{"/usr/bin/app", "--flag"}},
        {"  app \t a  ", QStringList{"app", "a"}},
        {"\"/opt/my app/run\" x", QStringList{"/opt/my app/run", "x"}},
        // In the file a backslash inside quotes is written twice, once for the string and once for the
        // quoting.
        {R"(sh -c "echo \\"hi\\" \\$HOME \\`x\\` \\\\ \\q")",
         QStringList{"sh", "-c", R"(echo "hi" $HOME `x` \ \q)"}},
        {R"(a\sb c)", QStringList{"a", "b", "c"}},
        {R"(a\\\sb c)", QStringList{"a b", "c"}},
        {"app %f %F %u %U %d %D %n %N %v %m %z", QStringList{"app"}},
        {"app --file=%f 100%% \"%f\"", QStringList{"app", "--file=", "100%", ""}},
        {"app %c --at=%k %i", QStringList{"app", "My App", "--at=/x/app.desktop", "--icon", "app-icon"}},
        {"app x%i", QStringList{"app", "x"}},
        {"\"unfinished", std::nullopt},
        {"%U", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        const QByteArray text =
            QByteArray("[Desktop Entry]\nName=My App\nIcon=app-icon\nExec=") + c.exec + '\n';
        const auto entry = DesktopEntry::parse(text);
        ASSERT_TRUE(entry) << c.exec;
        EXPECT_EQ(entry->execArguments("/x/app.desktop"), c.arguments) << c.exec;
    }
    EXPECT_EQ(parse("[Desktop Entry]\nName=a\n")->execArguments(), std::nullopt) << "no Exec";
    EXPECT_EQ(parse("[Desktop Entry]\nExec=app %i\n")->execArguments(), QStringList{"app"}) << "no Icon";
}

TEST(DesktopEntryTest, KeepsHostileTextAsPlainText)
{
    const auto entry =
        parse("[Desktop Entry]\nName=<b>x</b> \u202Egnp.exe\nExec=/tmp/$(reboot) `id` ; rm -rf ~\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->string("Name"), QStringLiteral("<b>x</b> \u202Egnp.exe"));
    EXPECT_EQ(entry->execArguments(), QStringList({"/tmp/$(reboot)", "`id`", ";", "rm", "-rf", "~"}))
        << "nothing is expanded as a shell would";
}

TEST(DesktopEntryTest, ReadsThroughTheBoundedReader)
{
    test::TempTree tree;
    const QByteArray good = "[Desktop Entry]\nExec=/opt/a\n";
    const Path file = tree.fileWithContent("good.desktop", good);
    const Path link = tree.symlink("good.desktop", "link.desktop");
    const Path fifo = tree.fifo("fifo.desktop");
    const Path junk = tree.fileWithContent("junk.desktop", "not an entry\n");
    const Path big = tree.file("big.desktop", DesktopEntry::kMaxBytes + 1, '#');

    const auto read = DesktopEntry::read(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->rawValue("Exec"), "/opt/a");
    EXPECT_TRUE(DesktopEntry::read(file, good.size()));
    EXPECT_TRUE(DesktopEntry::read(file, good.size() - 1).error().isPosix(EFBIG));
    EXPECT_TRUE(DesktopEntry::read(link).error().isPosix(ELOOP)) << "a final link is not followed";
    EXPECT_FALSE(DesktopEntry::read(fifo)) << "a FIFO is refused without blocking";
    EXPECT_TRUE(DesktopEntry::read(junk).error().isPosix(EBADMSG));
    EXPECT_FALSE(DesktopEntry::read(big));
    EXPECT_TRUE(DesktopEntry::read(tree.path("missing.desktop")).error().isPosix(ENOENT));
}

} // namespace
} // namespace qm
