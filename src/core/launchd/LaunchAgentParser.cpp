#include "core/launchd/LaunchAgentParser.h"

#include <QSet>

namespace qm::LaunchAgentParser {
namespace {

std::optional<QString> stringValue(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (!text)
        return QString();
    return QString::fromUtf8(text, qsizetype(length));
}

// The element `index` of an array node, or null when the node is no array or too short.
plist_t arrayItem(plist_t node, uint32_t index)
{
    if (!node || plist_get_node_type(node) != PLIST_ARRAY || plist_array_get_size(node) <= index)
        return nullptr;
    return plist_array_get_item(node, index);
}

std::optional<bool> parseBool(plist_t node)
{
    if (!node)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value != 0;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return value != 0;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value != 0; // NaN is non-zero
    }
    case PLIST_STRING: {
        const QString text = stringValue(node).value_or(QString());
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
        if (text == QLatin1String("1"))
            return true;
        if (text == QLatin1String("0"))
            return false;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

const QSet<QString>& interpreters()
{
    static const QSet<QString> names{
        QStringLiteral("sh"),       QStringLiteral("bash"),    QStringLiteral("zsh"),
        QStringLiteral("dash"),     QStringLiteral("ksh"),     QStringLiteral("python"),
        QStringLiteral("python2"),  QStringLiteral("python3"), QStringLiteral("perl"),
        QStringLiteral("perl5"),    QStringLiteral("ruby"),    QStringLiteral("node"),
        QStringLiteral("osascript")};
    return names;
}

// The last component of a path written as text: trailing slashes are ignored ("/bin/sh/" ends in
// "sh"), and a path of slashes only is "/".
QString lastPathComponent(const QString& path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    const QString trimmed = path.left(end);
    if (trimmed == QLatin1String("/"))
        return trimmed;
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? trimmed : trimmed.mid(slash + 1);
}

} // namespace

Parsed parse(plist_t dictionary)
{
    Parsed parsed;
    if (!dictionary || plist_get_node_type(dictionary) != PLIST_DICT)
        return parsed;

    parsed.label = stringValue(plist_dict_get_item(dictionary, "Label"));

    const plist_t arguments = plist_dict_get_item(dictionary, "ProgramArguments");
    const auto program = stringValue(plist_dict_get_item(dictionary, "Program"));
    if (program && !program->isEmpty())
        parsed.program = program;
    else
        parsed.program = stringValue(arrayItem(arguments, 0));

    parsed.runAtLoad = parseBool(plist_dict_get_item(dictionary, "RunAtLoad")).value_or(false);

    if (parsed.program)
        parsed.script = scriptFor(*parsed.program, stringValue(arrayItem(arguments, 1)));
    return parsed;
}

std::optional<QString> scriptFor(const QString& program, const std::optional<QString>& firstArgument)
{
    if (!interpreters().contains(lastPathComponent(program)))
        return std::nullopt;
    if (firstArgument && firstArgument->startsWith(QLatin1Char('/')))
        return firstArgument;
    return std::nullopt;
}

} // namespace qm::LaunchAgentParser
