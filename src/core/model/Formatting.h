#pragma once

#include <QString>

namespace qm::Formatting {

// printf's text for `format` written in the "C" locale whatever locale the process has set: a decimal
// point, no grouping, and C's rounding (an exact half goes to the even digit: "%.2f" of 0.125 reads
// "0.12"). At most 255 bytes of output are kept; an encoding error gives an empty text.
QString cFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Byte-count text as shown on screen: "0 KB" for zero or less; otherwise the file-size style,
// 1000 bytes to the kilobyte: "1 byte", "999 bytes", "12 KB", "1.5 MB", "1.23 GB", with
// trailing zeros dropped and a value that would round to 1000 of a unit shown in the next unit.
// Always a decimal point, whatever the process locale.
QString byteCount(qint64 bytes);

// Byte-count text for memory sizes: the same digits and the same "0 KB", "1 byte" and "999 bytes"
// as `byteCount`, but 1024 bytes to the kilobyte, still written "KB", "MB", "GB" (never "kB" or
// "KiB"): 1,048,576 bytes read "1 MB", 25,274,736,640 bytes "23.54 GB". A value that would round to
// 1000 of a unit is shown in the next unit ("0.98 GB" for 1000 MB).
QString memoryByteCount(qint64 bytes);

// "1 item", "0 items", "3 items": the count, a space and the noun, with "s" unless the count is
// exactly 1. `singular` is used as given; only the regular plural is produced.
QString countedNoun(qint64 count, const QString& singular);

} // namespace qm::Formatting
