#include "core/model/TextSearch.h"

#include <QChar>

namespace qm::TextSearch {
namespace {

bool isAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

QString fold(QStringView text)
{
    // Plain ASCII has nothing to decompose and no mark to drop; folding is lowering.
    if (isAscii(text)) {
        QString out(text.size(), Qt::Uninitialized);
        QChar* to = out.data();
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            *to++ = QChar(u >= u'A' && u <= u'Z' ? char16_t(u + (u'a' - u'A')) : u);
        }
        return out;
    }

    const QString folded = text.toString().normalized(QString::NormalizationForm_D).toCaseFolded();
    QString out;
    out.reserve(folded.size());
    const qsizetype n = folded.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = folded.at(i);
        char32_t code = c.unicode();
        const bool pair = c.isHighSurrogate() && i + 1 < n && folded.at(i + 1).isLowSurrogate();
        if (pair)
            code = QChar::surrogateToUcs4(c, folded.at(i + 1));
        if (QChar::category(code) != QChar::Mark_NonSpacing) {
            out.append(c);
            if (pair)
                out.append(folded.at(i + 1));
        }
        if (pair)
            ++i;
    }
    return out;
}

bool containsFolded(QStringView foldedText, QStringView foldedQuery)
{
    return foldedText.contains(foldedQuery, Qt::CaseSensitive);
}

bool contains(QStringView text, QStringView query)
{
    return containsFolded(fold(text), fold(query));
}

} // namespace qm::TextSearch
