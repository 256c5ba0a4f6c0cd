#include "FakeTools.h"
#include "helper/LaunchPlist.h"
#include "helper/LaunchctlPrint.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <optional>
#include <string>

namespace qm {
namespace {

QByteArray xmlDict(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
}

// The same dictionary in the binary format, written by libplist.
QByteArray binaryPlist(const char* program, const char* label)
{
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "Program", plist_new_string(program));
    plist_dict_set_item(dict, "Label", plist_new_string(label));
    char* data = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &data, &length);
    QByteArray bytes(data, static_cast<qsizetype>(length));
    plist_to_bin_free(data);
    plist_free(dict);
    return bytes;
}

TEST(LaunchPlistTest, ProgramComesFromProgramThenTheFirstArgument)
{
    struct Case
    {
        const char* what;
        QByteArray data;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"Program", xmlDict("<key>Program</key><string>/opt/x/run</string>"), "/opt/x/run"},
        {"Program wins over arguments",
         xmlDict("<key>ProgramArguments</key><array><string>/b</string></array><key>Program</key><string>/a</"
                 "string>"),
         "/a"},
        {"an empty Program is still the answer",
         xmlDict("<key>Program</key><string></string><key>ProgramArguments</key><array><string>/b</string></"
                 "array>"),
         ""},
        {"first argument",
         xmlDict("<key>ProgramArguments</key><array><string>/bin/sh</string><string>-c</string></array>"),
         "/bin/sh"},
        {"Program that is no string falls back",
         xmlDict("<key>Program</key><integer>3</integer><key>ProgramArguments</key><array><string>/b</"
                 "string></array>"),
         "/b"},
        {"first argument not a string",
         xmlDict("<key>ProgramArguments</key><array><integer>1</integer><string>/b</string></array>"),
         std::nullopt},
        {"no arguments", xmlDict("<key>ProgramArguments</key><array/>"), std::nullopt},
        {"arguments not an array", xmlDict("<key>ProgramArguments</key><string>/b</string>"), std::nullopt},
        {"neither key", xmlDict("<key>Label</key><string>x</string>"), std::nullopt},
        {"root is an array",
         "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>/a</string></array></plist>",
         std::nullopt},
        {"not a property list", "#!/bin/sh\necho hi\n", std::nullopt},
        {"truncated", xmlDict("<key>Program</key><string>/a</string>").left(40), std::nullopt},
        {"empty", QByteArray(), std::nullopt},
        {"binary", binaryPlist("/opt/bin/tool", "com.example.bin"), "/opt/bin/tool"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LaunchPlist::program(c.data), c.expected) << c.what;
}

TEST(LaunchPlistTest, LabelIsTheStringLabelByteForByte)
{
    EXPECT_EQ(LaunchPlist::label(test::FakeTools::launchPlist("com.example.agent")), "com.example.agent");
    EXPECT_EQ(LaunchPlist::label(binaryPlist("/x", "com.example.bin")), "com.example.bin");
    EXPECT_EQ(LaunchPlist::label(xmlDict("<key>Label</key><integer>7</integer>")), std::nullopt);
    EXPECT_EQ(LaunchPlist::label(xmlDict("<key>Program</key><string>/x</string>")), std::nullopt);
    EXPECT_EQ(LaunchPlist::label(xmlDict("<key>Label</key><string>a b</string>")), "a b");
    EXPECT_EQ(LaunchPlist::label("garbage"), std::nullopt);
}

TEST(LaunchPlistTest, ListsThatWouldExhaustTheParserAreNoPropertyLists)
{
    using test::FakeTools::chainedBinaryPlist;
    const auto nestedXml = [](int levels, const QByteArray& between = {}) {
        return xmlDict("<key>Label</key><string>x</string><key>Nested</key>" +
                       QByteArray("<array>" + between).repeated(levels) +
                       QByteArray("</array>").repeated(levels));
    };
    struct Case
    {
        const char* what;
        QByteArray data;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        // Each of these overflowed libplist's stack, or grew without end, before it was refused.
        {"binary, nested 140000 deep in under 1 MB", chainedBinaryPlist("x", 140'000, 1), std::nullopt},
        {"binary, 300 bytes that expand to 2^64 values", chainedBinaryPlist("x", 64, 2), std::nullopt},
        {"XML, nested 200000 deep", nestedXml(200'000), std::nullopt},
        {"XML, closing tags hidden in comments do not hide the depth", nestedXml(9000, "<!--</array>-->"),
         std::nullopt},
        // Positive controls: ordinary nesting and sharing still parse.
        {"binary, nested 50 deep", chainedBinaryPlist("x", 50, 1), "x"},
        {"binary, 10 shared levels (1023 values)", chainedBinaryPlist("x", 10, 2), "x"},
        {"XML, nested 50 deep", nestedXml(50), "x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LaunchPlist::label(c.data), c.expected) << c.what;
}

TEST(LaunchctlPrintTest, TheFirstTrimmedPathLineNamesTheRegisteredFile)
{
    struct Case
    {
        const char* what;
        QByteArray output;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"launchctl's layout",
         "system/com.example.agent = {\n\tactive count = 1\n\tpath = "
         "/Library/LaunchDaemons/com.example.agent.plist\n"
         "\tstate = running\n\n\tprogram = /opt/x\n}\n",
         "/Library/LaunchDaemons/com.example.agent.plist"},
        {"first of two", "\tpath = /a\n\tpath = /b\n", "/a"},
        {"spaces and tabs trimmed at both ends", "  \t path = /a b/c \t \n", "/a b/c"},
        {"nested sections still count", "x = {\n\t\tendpoints = {\n\t\t\tpath = /inner\n", "/inner"},
        {"no final newline", "path = /last", "/last"},
        {"empty lines skipped", "\n\n\npath = /p\n", "/p"},
        {"the space after '=' is trimmed away first", "path = \n", std::nullopt},
        {"needs the space after '='", "path =/a\n", std::nullopt},
        {"another key", "pathname = /a\nprogram path = /b\n", std::nullopt},
        {"carriage return is not trimmed", "path = /a\r\n", "/a\r"},
        {"nothing", "", std::nullopt},
        {"not UTF-8", "path = /a\xff\n", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LaunchctlPrint::registeredPath(c.output), c.expected) << c.what;
}

} // namespace
} // namespace qm
