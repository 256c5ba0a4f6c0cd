#include "core/apps/AppMatch.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using AppMatch::bundleIDCandidate;
using AppMatch::isOrphaned;

TEST(AppMatchTest, BundleIDCandidate)
{
    struct Case
    {
        QString fileName;
        std::optional<QString> candidate;
    };
    const std::vector<Case> cases{
        {u"com.example.App.plist"_qs, u"com.example.app"_qs},
        {u"com.example.App.PLIST"_qs, u"com.example.app"_qs}, // suffixes compare in lower case
        {u"com.example.app.savedState"_qs, u"com.example.app"_qs},
        {u"com.example.app.binarycookies"_qs, u"com.example.app"_qs},
        {u"com.example.app.savedstate.plist"_qs, u"com.example.app.savedstate"_qs}, // one suffix only
        {u"com.example.app"_qs, u"com.example.app"_qs},
        {u"a.b.c"_qs, u"a.b.c"_qs},
        {u"com.example.plist"_qs, std::nullopt}, // two parts once the suffix is gone
        {u"example.app"_qs, std::nullopt},
        {u"noDots"_qs, std::nullopt},
        {u""_qs, std::nullopt},
        {u".com.example.app"_qs, std::nullopt}, // leading dot: an empty part
        {u"com..example.app"_qs, std::nullopt},
        {u"com.example.app."_qs, std::nullopt},
        {u"group.com.example.app"_qs, std::nullopt},
        {u"com.example.Group.app"_qs, std::nullopt},
        {u"systemgroup.com.apple.x"_qs, std::nullopt},
        {u"ABCDE12345.com.example.app"_qs, std::nullopt}, // a team identifier first
        {u"abcde12345.com.example"_qs, std::nullopt},
        {u"ABCDEFGHIJ.com.example"_qs, u"abcdefghij.com.example"_qs},   // ten letters, no digit
        {u"ABCDE-1234.com.example"_qs, u"abcde-1234.com.example"_qs},   // a hyphen is no letter
        {u"ABCD12345.com.example"_qs, u"abcd12345.com.example"_qs},     // nine characters
        {u"ABCDE123456.com.example"_qs, u"abcde123456.com.example"_qs}, // eleven characters
        {u"ÄBCDÉ1234٣.com.example"_qs, std::nullopt},                   // Unicode letters and numbers count
        {u"𝐀BCDE12345.com.example"_qs, std::nullopt}, // a letter outside the BMP is one character
    };
    for (const Case& c : cases)
        EXPECT_EQ(bundleIDCandidate(c.fileName), c.candidate) << c.fileName.toStdString();
}

TEST(AppMatchTest, IsOrphaned)
{
    const QStringList installed{u"com.Example.Editor"_qs, u""_qs, u"org.mozilla.firefox"_qs};
    struct Case
    {
        QString fileName;
        QStringList installedIDs;
        bool orphaned;
    };
    const std::vector<Case> cases{
        {u"com.gone.Tool.plist"_qs, installed, true},
        {u"com.example.editor.plist"_qs, installed, false}, // installed, compared in lower case
        {u"net.example.Other.plist"_qs, installed, false},  // shares the token "example"
        {u"io.editor.sync.plist"_qs, installed, false},     // shares "editor"
        {u"com.firefox.helper"_qs, installed, false},       // shares "firefox"
        {u"com.app.helper.plist"_qs, installed, false},     // only generic parts: never orphaned
        {u"com.app.helper.plist"_qs, {}, false},
        {u"com.apple.Safari.plist"_qs, {}, false}, // the system's own data
        {u"com.apple.plist"_qs, {}, false},        // two parts once the suffix is gone: no candidate
        {u"org.com.apple"_qs, {}, false},
        {u"org.com.apple.thing"_qs, {}, false},
        {u"com.applesauce.tool"_qs, {}, true},
        {u"group.com.gone.tool"_qs, {}, false}, // no candidate
        {u"ABCDE12345.com.gone.tool"_qs, {}, false},
        {u"com.gone.Tool.plist"_qs, {}, true},       // nothing installed at all
        {u"com.gone.Tool.plist"_qs, {u""_qs}, true}, // empty identifiers are ignored
        {u"com.gone.tool"_qs, {u"COM.GONE.OTHER"_qs}, false},
        {u"de.gone.tool"_qs, {u"de.other.thing"_qs}, true}, // "de" is generic
    };
    for (const Case& c : cases)
        EXPECT_EQ(isOrphaned(c.fileName, c.installedIDs), c.orphaned) << c.fileName.toStdString();
}

TEST(AppMatchTest, MatchKeys)
{
    struct Case
    {
        const char* what;
        QString name;
        QString bundleID;
        QStringList names;
        QStringList ids;
        AppMatch::MatchKeys keys;
    };
    const std::vector<Case> cases{
        {"itself installed",
         u"Editor"_qs,
         u"com.x.Editor"_qs,
         {u"Editor"_qs},
         {u"com.x.Editor"_qs},
         {u"Editor"_qs, u"com.x.Editor"_qs}},
        {"nothing installed", u"Editor"_qs, u"com.x.Editor"_qs, {}, {}, {u"Editor"_qs, u"com.x.Editor"_qs}},
        {"a second copy",
         u"Editor"_qs,
         u"com.x.Editor"_qs,
         {u"editor"_qs, u"EDITOR"_qs},
         {u"com.x.editor"_qs, u"COM.X.EDITOR"_qs},
         {u""_qs, u""_qs}},
        {"name shared, identifier not",
         u"Notes"_qs,
         u"com.x.notes"_qs,
         {u"Notes"_qs, u"notes"_qs},
         {u"com.x.notes"_qs, u"com.y.notes"_qs},
         {u""_qs, u"com.x.notes"_qs}},
        {"empty identifier", u"Tool"_qs, u""_qs, {u"Tool"_qs}, {u"com.other"_qs}, {u"Tool"_qs, u""_qs}},
        {"caller's spelling kept",
         u"eDiToR"_qs,
         u"Com.X.Editor"_qs,
         {u"Editor"_qs},
         {u"com.x.editor"_qs},
         {u"eDiToR"_qs, u"Com.X.Editor"_qs}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppMatch::matchKeys(c.name, c.bundleID, c.names, c.ids), c.keys) << c.what;
}

TEST(AppMatchTest, NameMatchIsAmbiguous)
{
    struct Case
    {
        QString name;
        QStringList installed;
        bool ambiguous;
    };
    const std::vector<Case> cases{
        {u"Code"_qs, {u"Visual Studio Code"_qs}, true},
        {u"code"_qs, {u"Visual-Studio_CODE"_qs}, true}, // any non-letter separates words
        {u"Code"_qs, {u"Xcode"_qs}, false},             // only a part of a word
        {u"Code"_qs, {u"Code"_qs, u"CODE"_qs}, false},  // equal names are not others
        {u"Code"_qs, {}, false},
        {u""_qs, {u"Visual Studio Code"_qs}, false},
        {u"Studio Code"_qs, {u"Visual Studio Code"_qs}, false}, // a key with a space is never one word
        {u"2"_qs, {u"Tool 2"_qs}, true},                        // numbers are word characters
        {u"Café"_qs, {u"Le café noir"_qs}, true},
        {u"Word"_qs, {u"Words Pro"_qs}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppMatch::nameMatchIsAmbiguous(c.name, c.installed), c.ambiguous) << c.name.toStdString();
}

TEST(AppMatchTest, GenericNames)
{
    const auto& names = AppMatch::genericNames();
    EXPECT_EQ(names.size(), 43u);
    for (const char* word : {"update", "helper", "notes", "audio", "uninstaller", "resources"})
        EXPECT_TRUE(names.count(QString::fromLatin1(word))) << word;
    EXPECT_FALSE(names.count(u"Update"_qs));
    EXPECT_FALSE(names.count(u"editor"_qs));
}

} // namespace
} // namespace qm
