#pragma once

#include "platform/FileSystem.h"
#include "platform/Result.h"

#include <QByteArrayView>
#include <QString>

#include <plist/plist.h>

#include <memory>
#include <optional>
#include <string>

namespace qm {

// One parsed property list, XML or binary, parsed by libplist and owned by this value (move-only).
// Parsing is guarded against hostile files: a list nested deeper than `kMaxDepth` containers (which
// would exhaust libplist's stack) or a binary list whose shared references expand to more than
// `kMaxNodes` values (which would exhaust memory) is refused before libplist sees it.
class PropertyList
{
public:
    static constexpr int kMaxDepth = 256;
    static constexpr quint64 kMaxNodes = quint64(1) << 20;

    // Reads the file through the bounded reader (a regular file, a final link not followed, at most
    // `maxBytes` bytes; a FIFO never blocks) and parses it. The reader's error when it cannot be read;
    // EBADMSG when it is not a property list; E2BIG when it is refused as too deep or too large.
    static Result<PropertyList> read(const Path& path, qint64 maxBytes);
    // Parses bytes already in memory, with the same errors.
    static Result<PropertyList> parse(QByteArrayView data);

    // The root value; owned by this object, valid while it lives.
    plist_t root() const { return m_root.get(); }
    // True when the root is a dictionary.
    bool isDictionary() const;
    // The number of keys of a dictionary root; 0 for any other root.
    quint32 dictionarySize() const;
    // The value under `key` of a dictionary root when it is a string, as UTF-8 text; nothing when the
    // root is not a dictionary, the key is absent or its value is not a string.
    std::optional<QString> string(const char* key) const;
    // The same value as raw bytes, for values that name files.
    std::optional<std::string> stringBytes(const char* key) const;

    // False only for a string node whose bytes are not UTF-8 (libplist passes such bytes through;
    // decoding them would name another file); true for no node and for any other kind of node.
    static bool isTextOrNotString(plist_t node);

private:
    struct Free
    {
        void operator()(void* node) const;
    };

    explicit PropertyList(plist_t root) : m_root(root) {}

    std::unique_ptr<void, Free> m_root;
};

} // namespace qm
