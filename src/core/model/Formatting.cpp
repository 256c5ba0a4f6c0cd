#include "core/model/Formatting.h"

#include <array>
#include <cstdio>

namespace qm::Formatting {
namespace {

// Formats with C printf rounding, then drops trailing zeros and a bare decimal point.
QString fixed(double value, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    QString text = QString::fromLatin1(buffer);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
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
        if (text.toDouble() < 1000.0 || i + 1 == units.size())
            return text + QLatin1Char(' ') + QLatin1String(units[i].name);
    }
    Q_UNREACHABLE();
}

} // namespace

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
