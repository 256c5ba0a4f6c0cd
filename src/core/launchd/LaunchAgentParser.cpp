#include "core/launchd/LaunchAgentParser.h"

#include <QSet>

namespace qm::LaunchAgentParser {
namespace {

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

std::optional<QString> scriptFor(const QString& program, const std::optional<QString>& firstArgument)
{
    if (!interpreters().contains(lastPathComponent(program)))
        return std::nullopt;
    if (firstArgument && firstArgument->startsWith(QLatin1Char('/')))
        return firstArgument;
    return std::nullopt;
}

} // namespace qm::LaunchAgentParser
