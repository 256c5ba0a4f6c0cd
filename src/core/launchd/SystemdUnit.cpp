#include "core/launchd/SystemdUnit.h"

#include "core/malware/PlainText.h"
#include "platform/BoundedReader.h"

#include <cerrno>

namespace qm {
namespace {

int hexValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// The lines of a unit with continuations joined: a line ending in a backslash goes on with the next
// non-comment line, the backslash becoming a space.
QStringList logicalLines(const QString& text)
{
    QStringList lines;
    QString pending;
    bool continuing = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = PlainText::trimmedSpacesAndTabs(line);
        if (continuing && (trimmed.startsWith(u'#') || trimmed.startsWith(u';')))
            continue;
        if (line.endsWith(u'\\')) {
            pending += line.first(line.size() - 1);
            pending += u' ';
            continuing = true;
            continue;
        }
        pending += line;
        lines.append(pending);
        pending.clear();
        continuing = false;
    }
    if (continuing)
        lines.append(pending);
    return lines;
}

} // namespace

std::optional<QStringList> SystemdUnit::splitCommand(QStringView command)
{
    QStringList words;
    QString current;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (quote.isNull() && PlainText::isSpaceOrTab(c)) {
            if (inWord)
                words.append(std::exchange(current, QString()));
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'%' && i + 1 < command.size() && command[i + 1] == u'%') {
            current += u'%';
            ++i;
        } else if (!quote.isNull() && c == quote) {
            quote = QChar();
        } else if (quote.isNull() && (c == u'"' || c == u'\'')) {
            quote = c;
        } else if (c == u'\\' && i + 1 < command.size()) {
            const QChar next = command[++i];
            if (next == u'n') {
                current += u'\n';
            } else if (next == u't') {
                current += u'\t';
            } else if (next == u'x' && i + 2 < command.size() && hexValue(command[i + 1]) >= 0 &&
                       hexValue(command[i + 2]) >= 0) {
                current += QChar(char16_t(hexValue(command[i + 1]) * 16 + hexValue(command[i + 2])));
                i += 2;
            } else {
                current += next;
            }
        } else {
            current += c;
        }
    }
    if (!quote.isNull())
        return std::nullopt;
    if (inWord)
        words.append(current);
    return words;
}

std::optional<SystemdUnit> SystemdUnit::parse(QByteArrayView bytes)
{
    const std::optional<QString> text = PlainText::decodeUtf8(bytes);
    if (!text)
        return std::nullopt;

    SystemdUnit unit;
    QString section;
    bool inSection = false;
    std::optional<QString> firstCommand;
    for (const QString& rawLine : logicalLines(*text)) {
        const QStringView line = PlainText::trimmedSpacesAndTabs(rawLine);
        if (line.isEmpty() || line.front() == u'#' || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            if (line.back() != u']' || line.size() < 3)
                return std::nullopt;
            section = line.sliced(1, line.size() - 2).toString();
            inSection = true;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || !inSection)
            return std::nullopt;
        const QStringView key = PlainText::trimmedSpacesAndTabs(line.first(equals));
        const QStringView value = PlainText::trimmedSpacesAndTabs(line.sliced(equals + 1));
        if (section == u"Unit" && key == u"Description") {
            unit.description = value.toString();
        } else if (section == u"Service" && key == u"ExecStart") {
            if (value.isEmpty())
                firstCommand.reset();
            else if (!firstCommand)
                firstCommand = value.toString();
        }
    }

    if (firstCommand) {
        QStringView command(*firstCommand);
        bool argumentZero = false;
        while (!command.isEmpty() && QStringView(u"@-:+!").contains(command.front())) {
            argumentZero = argumentZero || command.front() == u'@';
            command = command.sliced(1);
        }
        std::optional<QStringList> words = splitCommand(command);
        if (!words)
            return std::nullopt;
        if (argumentZero && words->size() >= 2)
            words->removeAt(1);
        if (!words->isEmpty()) {
            unit.program = words->takeFirst();
            unit.arguments = *words;
        }
    }
    return unit;
}

Result<SystemdUnit> SystemdUnit::read(const Path& file, qint64 maxBytes)
{
    const Result<QByteArray> bytes = readBounded(file, maxBytes);
    if (!bytes)
        return bytes.error();
    std::optional<SystemdUnit> unit = parse(*bytes);
    if (!unit)
        return Error::posix(EBADMSG, QStringLiteral("Not a unit file"));
    return std::move(*unit);
}

} // namespace qm
