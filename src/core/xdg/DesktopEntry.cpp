#include "core/xdg/DesktopEntry.h"

#include "core/malware/PlainText.h"
#include "platform/BoundedReader.h"

#include <cerrno>

namespace qm {
namespace {

bool isInlineBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView text)
{
    while (!text.isEmpty() && isInlineBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isInlineBlank(text.back()))
        text.chop(1);
    return text;
}

// A key is a name without brackets, "=" or control characters, optionally followed by one locale in
// brackets ("Name[sr@latin]").
bool isValidKey(QStringView key)
{
    if (key.isEmpty())
        return false;
    qsizetype end = key.size();
    if (key.back() == u']') {
        const qsizetype open = key.indexOf(u'[');
        if (open <= 0)
            return false;
        const QStringView locale = key.sliced(open + 1, end - open - 2);
        if (locale.isEmpty() || locale.contains(u'[') || locale.contains(u']'))
            return false;
        end = open;
    }
    for (const QChar c : key.first(end)) {
        if (c == u'[' || c == u']' || c == u'=' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

bool isValidGroupName(QStringView name)
{
    for (const QChar c : name) {
        if (c == u'[' || c == u']' || c.category() == QChar::Other_Control)
            return false;
    }
    return !name.isEmpty();
}

// The string escapes of a value; `listSeparator` also turns "\;" into ";".
QString unescape(QStringView value, bool listSeparator)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value[i + 1];
        switch (next.unicode()) {
        case u's':
            out.append(u' ');
            break;
        case u'n':
            out.append(u'\n');
            break;
        case u't':
            out.append(u'\t');
            break;
        case u'r':
            out.append(u'\r');
            break;
        case u'\\':
            out.append(u'\\');
            break;
        case u';':
            if (listSeparator) {
                out.append(u';');
                break;
            }
            [[fallthrough]];
        default:
            out.append(c);
            out.append(next);
            break;
        }
        ++i;
    }
    return out;
}

// One argument of a command line before its field codes are expanded.
struct Token
{
    QString text;
    bool quoted = false;
};

std::optional<std::vector<Token>> splitCommand(const QString& command)
{
    std::vector<Token> tokens;
    Token current;
    bool inToken = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < command.size() &&
                       QStringView(u"\"`$\\").contains(command[i + 1])) {
                current.text.append(command[++i]);
            } else {
                current.text.append(c);
            }
            continue;
        }
        if (isInlineBlank(c)) {
            if (inToken) {
                tokens.push_back(std::move(current));
                current = Token();
                inToken = false;
            }
            continue;
        }
        inToken = true;
        if (c == u'"') {
            inQuotes = true;
            current.quoted = true;
        } else if (c == u'\\' && i + 1 < command.size()) {
            current.text.append(command[++i]);
        } else {
            current.text.append(c);
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (inToken)
        tokens.push_back(std::move(current));
    return tokens;
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::parse(QByteArrayView bytes)
{
    const std::optional<QString> text = PlainText::decodeUtf8(bytes);
    if (!text)
        return std::nullopt;

    DesktopEntry entry;
    Group* current = nullptr;
    for (QStringView line : QStringView(*text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = trimBlanks(line);
        if (line.isEmpty() || line.front() == u'#')
            continue;
        if (line.front() == u'[') {
            if (line.back() != u']')
                return std::nullopt;
            const QStringView name = line.sliced(1, line.size() - 2);
            if (!isValidGroupName(name))
                return std::nullopt;
            if (entry.m_groups.empty() && name != kMainGroup)
                return std::nullopt;
            current = nullptr;
            for (Group& existing : entry.m_groups) {
                if (existing.name == name)
                    current = &existing;
            }
            if (!current) {
                entry.m_groups.push_back(Group{name.toString(), {}});
                current = &entry.m_groups.back();
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || !current)
            return std::nullopt;
        const QStringView key = trimBlanks(line.first(equals));
        if (!isValidKey(key))
            return std::nullopt;
        const QString value = trimBlanks(line.sliced(equals + 1)).toString();
        bool replaced = false;
        for (auto& [existingKey, existingValue] : current->entries) {
            if (existingKey == key) {
                existingValue = value;
                replaced = true;
            }
        }
        if (!replaced)
            current->entries.emplace_back(key.toString(), value);
    }
    if (entry.m_groups.empty())
        return std::nullopt;
    return entry;
}

Result<DesktopEntry> DesktopEntry::read(const Path& file, qint64 maxBytes)
{
    const Result<QByteArray> bytes = readBounded(file, maxBytes);
    if (!bytes)
        return bytes.error();
    std::optional<DesktopEntry> entry = parse(*bytes);
    if (!entry)
        return Error::posix(EBADMSG, QStringLiteral("Not a desktop entry"));
    return std::move(*entry);
}

const DesktopEntry::Group* DesktopEntry::group(const QString& name) const
{
    for (const Group& candidate : m_groups) {
        if (candidate.name == name)
            return &candidate;
    }
    return nullptr;
}

QStringList DesktopEntry::groups() const
{
    QStringList names;
    for (const Group& candidate : m_groups)
        names.append(candidate.name);
    return names;
}

std::optional<QString> DesktopEntry::rawValue(const QString& key, const QString& groupName) const
{
    const Group* found = group(groupName);
    if (!found)
        return std::nullopt;
    for (const auto& [candidate, value] : found->entries) {
        if (candidate == key)
            return value;
    }
    return std::nullopt;
}

std::optional<QString> DesktopEntry::string(const QString& key, const QString& groupName) const
{
    const std::optional<QString> raw = rawValue(key, groupName);
    if (!raw)
        return std::nullopt;
    return unescape(*raw, false);
}

std::optional<bool> DesktopEntry::boolean(const QString& key, const QString& groupName) const
{
    const std::optional<QString> raw = rawValue(key, groupName);
    if (!raw)
        return std::nullopt;
    const QStringView value = trimBlanks(*raw);
    if (value == u"true" || value == u"1")
        return true;
    if (value == u"false" || value == u"0")
        return false;
    return std::nullopt;
}

QStringList DesktopEntry::stringList(const QString& key, const QString& groupName) const
{
    const std::optional<QString> raw = rawValue(key, groupName);
    QStringList items;
    if (!raw)
        return items;
    qsizetype start = 0;
    for (qsizetype i = 0; i < raw->size(); ++i) {
        if (raw->at(i) == u'\\') {
            ++i; // an escaped character never separates
            continue;
        }
        if (raw->at(i) == u';') {
            items.append(unescape(QStringView(*raw).sliced(start, i - start), true));
            start = i + 1;
        }
    }
    if (start < raw->size())
        items.append(unescape(QStringView(*raw).sliced(start), true));
    return items;
}

std::optional<QStringList> DesktopEntry::execArguments(const Path& location) const
{
    const std::optional<QString> command = string(QStringLiteral("Exec"));
    if (!command)
        return std::nullopt;
    const std::optional<std::vector<Token>> tokens = splitCommand(*command);
    if (!tokens)
        return std::nullopt;

    const std::optional<QString> name = string(QStringLiteral("Name"));
    const std::optional<QString> icon = string(QStringLiteral("Icon"));
    QStringList arguments;
    for (const Token& token : *tokens) {
        const QString& text = token.text;
        if (!token.quoted && text == u"%i") {
            if (icon && !icon->isEmpty())
                arguments << QStringLiteral("--icon") << *icon;
            continue;
        }
        QString expanded;
        bool onlyDroppedCodes = !text.isEmpty();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != u'%' || i + 1 == text.size()) {
                expanded.append(text[i]);
                onlyDroppedCodes = false;
                continue;
            }
            const QChar code = text[++i];
            if (code == u'%') {
                expanded.append(u'%');
                onlyDroppedCodes = false;
            } else if (code == u'c') {
                expanded.append(name.value_or(QString()));
                onlyDroppedCodes = false;
            } else if (code == u'k') {
                expanded.append(FileSystem::displayName(location));
                onlyDroppedCodes = false;
            } else if (code == u'i') {
                // "%i" inside a longer argument cannot become two arguments.
                onlyDroppedCodes = false;
            }
        }
        if (onlyDroppedCodes && !token.quoted)
            continue;
        arguments.append(expanded);
    }
    if (arguments.isEmpty())
        return std::nullopt;
    return arguments;
}

} // namespace qm
