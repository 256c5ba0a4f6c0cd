#include "core/model/Formatting.h"

#include <locale.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>

namespace qm::Formatting {
namespace {

// Formats with C printf rounding, then drops trailing zeros and a bare decimal point.
QString fixed(double value, int decimals)
{
    QString text = cFormat("%.*f", decimals, value);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

// The printed number reads less than 1000: at most three digits before the decimal point.
bool belowThousand(const QString& text)
{
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    return (point < 0 ? text.size() : point) <= 3;
}

// The byte-count text with `base` bytes to the kilobyte.
QString byteText(qint64 bytes, double base)
{
    if (bytes <= 0)
        return QStringLiteral("0 KB");
    if (bytes == 1)
        return QStringLiteral("1 byte");
    if (bytes < 1000)
        return QString::number(bytes) + QStringLiteral(" bytes");

    struct Unit
    {
        const char* name;
        int decimals;
    };
    static constexpr std::array<Unit, 6> units{
        {{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}, {"PB", 2}, {"EB", 2}}};
    double value = double(bytes);
    for (std::size_t i = 0; i < units.size(); ++i) {
        value /= base;
        const QString text = fixed(value, units[i].decimals);
        if (belowThousand(text) || i + 1 == units.size())
            return text + QLatin1Char(' ') + QLatin1String(units[i].name);
    }
    Q_UNREACHABLE();
}

} // namespace

QString cFormat(const char* format, ...)
{
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const locale_t previous = cLocale ? ::uselocale(cLocale) : locale_t(nullptr);
    char buffer[256];
    std::va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (cLocale)
        ::uselocale(previous);
    if (length < 0)
        return {};
    return QString::fromUtf8(buffer, std::min(length, int(sizeof buffer) - 1));
}

QString byteCount(qint64 bytes)
{
    return byteText(bytes, 1000.0);
}

QString memoryByteCount(qint64 bytes)
{
    return byteText(bytes, 1024.0);
}

QString countedNoun(qint64 count, const QString& singular)
{
    return QString::number(count) + QLatin1Char(' ') + singular +
           (count == 1 ? QString() : QStringLiteral("s"));
}

} // namespace qm::Formatting
