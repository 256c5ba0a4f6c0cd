#include "core/model/TextSearch.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(TextSearch, ContainmentIgnoresCaseAndDiacriticsOnly)
{
    struct Case
    {
        const char16_t* text;
        const char16_t* query;
        bool contained;
    };
    const Case cases[] = {
        {u"Café Crème", u"cafe", true},
        {u"cafe au lait", u"CAFÉ", true},
        {u"com.apple.Safari", u"apple.saf", true},
        {u"Café Crème", u"creme", true},
        {u"Cafe\u0301", u"café", true},   // decomposed text, composed query
        {u"Café", u"cafe\u0301", true},   // and the other way round
        {u"İstanbul", u"istanbul", true}, // the dot above is a mark
        {u"ΟΔΥΣΣΕΥΣ", u"οδυσσευς", true}, // final sigma folds like any sigma
        {u"Visual Studio Code", u" ", true},
        {u"Safari", u" ", false}, // never trimmed to an empty query
        {u"Café", u"cafe ", false},
        {u"Café Crème", u"cafe ", true},
        {u"cafe", u"ｃａｆｅ", false}, // full-width letters are not folded
        {u"ｃａｆｅ", u"cafe", false},
        {u"x²", u"x2", false},    // nor superscripts
        {u"ﬁle", u"file", false}, // nor ligatures
        {u"Résumé", u"sume", true},
        {u"Résumé", u"sum e", false},
        {u"\U0001D400pp", u"app", false}, // mathematical letters stay themselves
        {u"Notes \U0001F4DD", u"\U0001F4DD", true},
        {u"anything", u"", true},
        {u"", u"a", false},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const QString query = QString::fromUtf16(c.query);
        EXPECT_EQ(TextSearch::contains(text, query), c.contained)
            << "\"" << query.toStdString() << "\" in \"" << text.toStdString() << "\"";
        EXPECT_EQ(TextSearch::containsFolded(TextSearch::fold(text), TextSearch::fold(query)), c.contained)
            << "folded once: \"" << query.toStdString() << "\" in \"" << text.toStdString() << "\"";
    }
}

TEST(TextSearch, FoldingKeepsEverythingButCaseAndMarks)
{
    EXPECT_EQ(TextSearch::fold(u"Café Crème"), QStringLiteral("cafe creme"));
    EXPECT_EQ(TextSearch::fold(u"  Com.Apple.SAFARI "), QStringLiteral("  com.apple.safari "));
    EXPECT_EQ(TextSearch::fold(u"ＡＢ²"), QStringLiteral("ａｂ²"));
    // A lone combining mark folds to nothing; an unpaired surrogate is kept as it is.
    EXPECT_EQ(TextSearch::fold(u"\u0301"), QString());
    const QString lone = QString(QChar(0xD800)) + QStringLiteral("x");
    EXPECT_EQ(TextSearch::fold(lone), lone);
}

} // namespace
} // namespace qm
