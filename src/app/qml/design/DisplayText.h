#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The engine library's wording for QML: byte counts, counted nouns and the titles of junk kinds, so a
// screen shows exactly the text the rest of the system produces. Available in QML as the singleton
// `DisplayText`; it holds no state.
class DisplayText : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit DisplayText(QObject* parent = nullptr);

    // The byte-count text of `bytes` (a number of bytes that may carry a fraction while it animates):
    // negative values count as 0, the fraction is dropped toward zero, and anything below 1 byte, or
    // not a number, reads "0 KB"; values beyond the signed 64-bit range read as its largest value.
    // Otherwise the file-size style, 1000 bytes to the kilobyte ("1.5 MB").
    Q_INVOKABLE static QString byteCount(double bytes);
    // The same for a memory size: 1024 bytes to the kilobyte, still written "KB", "MB", "GB"
    // ("1 MB" for 1,048,576 bytes).
    Q_INVOKABLE static QString memoryByteCount(double bytes);
    // "1 item", "0 items", "3 items": the whole part of `count` (negative counts as 0), a space and
    // `singular`, with "s" unless the count is exactly 1.
    Q_INVOKABLE static QString countedNoun(double count, const QString& singular);
    // The on-screen title of the junk kind stored as `raw` ("userCaches" → "User Caches"); an empty
    // text for a name that is not a kind.
    Q_INVOKABLE static QString junkKindTitle(const QString& raw);
};

} // namespace qm
