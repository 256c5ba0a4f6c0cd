#pragma once

#include <QString>

namespace qm::Formatting {

// Byte-count text as shown on screen: "0 KB" for zero or less; otherwise the file-size style,
// 1000 bytes to the kilobyte: "1 byte", "999 bytes", "12 KB", "1.5 MB", "1.23 GB", with
// trailing zeros dropped and a value that would round to 1000 of a unit shown in the next unit.
QString byteCount(qint64 bytes);

// "1 item", "0 items", "3 items": the count, a space and the noun, with "s" unless the count is
// exactly 1. `singular` is used as given; only the regular plural is produced.
QString countedNoun(qint64 count, const QString& singular);

} // namespace qm::Formatting
