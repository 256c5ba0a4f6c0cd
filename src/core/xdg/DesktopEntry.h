#pragma once

#include "platform/FileSystem.h"
#include "platform/Result.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace qm {

// One desktop entry file (a ".desktop" file: an application's launcher, an autostart entry), read
// the way the desktop session reads it: UTF-8 text of "[Group]" headers and "Key=Value" lines, the
// first group "Desktop Entry", "#" comments and blank lines skipped, blanks around "=" ignored. A key
// repeated in a group keeps its last value and a repeated group continues the earlier one. Values are
// kept as written and decoded on request; nothing is interpreted beyond the rules below, so names and
// commands stay plain text for the caller to show as such. A plain value; reads nothing after `read`.
class DesktopEntry
{
public:
    // The largest file read, in bytes; a larger one counts as unreadable.
    static constexpr qint64 kMaxBytes = 1'000'000;
    // The group every desktop entry starts with, and the one the accessors read by default.
    static inline const QString kMainGroup = QStringLiteral("Desktop Entry");

    // The entry in `bytes`, or nothing when they are not one: not valid UTF-8, a key or value before
    // the first group, a first group other than "Desktop Entry", an empty key, a key with brackets
    // other than one trailing locale ("Name[de]"), or a line that is none of blank, comment, group
    // header and key-value pair.
    static std::optional<DesktopEntry> parse(QByteArrayView bytes);
    // The entry in the file `file`, read through the bounded reader (a final symbolic link is not
    // followed, a FIFO or device is never opened, at most `maxBytes` bytes). The reader's error, or
    // EBADMSG when the file is no desktop entry. Blocks on the file system.
    static Result<DesktopEntry> read(const Path& file, qint64 maxBytes = kMaxBytes);

    // The groups, in the order first met.
    QStringList groups() const;
    // The value of `key` (exactly, a locale suffix included) as written after the "=", or nothing when
    // the group has no such key.
    std::optional<QString> rawValue(const QString& key, const QString& group = kMainGroup) const;
    // The value as a string: "\s", "\n", "\t", "\r" and "\\" become a space, a line feed, a tab, a
    // carriage return and a backslash; any other backslash stays as written.
    std::optional<QString> string(const QString& key, const QString& group = kMainGroup) const;
    // The value as a Boolean: "true" or "1" is true, "false" or "0" false (trailing blanks ignored);
    // anything else, or no key, is nothing.
    std::optional<bool> boolean(const QString& key, const QString& group = kMainGroup) const;
    // The value as a list of strings separated by ";" ("\;" is a semicolon inside an element), each
    // decoded as `string` does; a final empty element after the last ";" is dropped. Empty when the
    // key is missing.
    QStringList stringList(const QString& key, const QString& group = kMainGroup) const;

    // The command line of "Exec" in the main group as program and arguments: the value decoded as a
    // string, split at unquoted spaces and tabs; a double-quoted part keeps its blanks and takes "\"",
    // "\`", "\$" and "\\" as the escaped character; outside quotes a backslash escapes the next
    // character. Field codes are expanded for a launch without files: "%%" is "%", "%c" the "Name",
    // "%k" `location` (its display text), "%i" the two arguments "--icon" and the "Icon" when it has
    // one; every other code (the file and URL codes, deprecated and unknown ones) is dropped, and an
    // argument that was nothing but a dropped code goes with it. Nothing when there is no "Exec", an
    // unfinished quote, or no argument left.
    std::optional<QStringList> execArguments(const Path& location = {}) const;

private:
    struct Group
    {
        QString name;
        std::vector<std::pair<QString, QString>> entries; // key, raw value; keys unique
    };

    const Group* group(const QString& name) const;

    std::vector<Group> m_groups;
};

} // namespace qm
