#pragma once

#include "platform/FileSystem.h"
#include "platform/Result.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// What a systemd unit file says about the job it starts, read with systemd's own rules: "[Section]"
// headers and "Key=Value" lines, blanks around "=" ignored, lines starting with "#" or ";" skipped, a
// line ending in a backslash continued on the next (comment lines in between are skipped). Only the
// unit's own file is read: drop-in folders and the specifiers other than "%%" are not looked at, so a
// command shows as written. A plain value; reads nothing after `read`.
class SystemdUnit
{
public:
    // The largest unit file read, in bytes; a larger one counts as unreadable.
    static constexpr qint64 kMaxBytes = 1'000'000;

    // "Description" of [Unit], its last assignment; empty when none.
    QString description;
    // The first command of [Service]'s "ExecStart" (an empty assignment clears the commands before it):
    // the program and its arguments, without the prefixes "@", "-", ":", "+", "!" and "!!". With "@" the
    // second word was the name the program is told it has and is not among the arguments. Empty when
    // the unit starts no command.
    QString program;
    QStringList arguments;

    bool operator==(const SystemdUnit&) const = default;

    // The unit in `bytes`, or nothing when they are not valid UTF-8, hold an assignment before the
    // first section, an unclosed section header, a line that is neither blank, comment, header nor
    // assignment, or an ExecStart with an unfinished quote.
    static std::optional<SystemdUnit> parse(QByteArrayView bytes);
    // The unit in the file `file`, read through the bounded reader (a final symbolic link is not
    // followed, a FIFO or device is never opened, at most `maxBytes` bytes). The reader's error, or
    // EBADMSG when the file is no unit. Blocks on the file system.
    static Result<SystemdUnit> read(const Path& file, qint64 maxBytes = kMaxBytes);

    // One command line of an Exec setting split into words: blanks separate, single and double quotes
    // group, a backslash escape is decoded ("\n", "\t", "\\", "\"", "\'", "\xNN"; any other escaped
    // character stands for itself), "%%" is "%". Nothing on an unfinished quote.
    static std::optional<QStringList> splitCommand(QStringView command);
};

} // namespace qm
