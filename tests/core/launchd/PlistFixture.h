#pragma once

#include <QByteArray>

#include <plist/plist.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

// Builders for property-list fixtures, written by libplist itself in either format.
namespace qm::test::plist {

struct Free
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
// A top-level node the test owns.
using Owned = std::unique_ptr<void, Free>;

// Value nodes; a container takes ownership of the nodes put into it.
inline plist_t str(const char* text)
{
    return plist_new_string(text);
}
inline plist_t boolean(bool value)
{
    return plist_new_bool(value ? 1 : 0);
}
inline plist_t integer(uint64_t value)
{
    return plist_new_uint(value);
}
inline plist_t real(double value)
{
    return plist_new_real(value);
}
inline plist_t array(std::initializer_list<plist_t> items)
{
    plist_t node = plist_new_array();
    for (plist_t item : items)
        plist_array_append_item(node, item);
    return node;
}
inline plist_t dict(std::initializer_list<std::pair<const char*, plist_t>> items)
{
    plist_t node = plist_new_dict();
    for (const auto& [key, value] : items)
        plist_dict_set_item(node, key, value);
    return node;
}
inline Owned own(plist_t node)
{
    return Owned(node);
}

inline QByteArray toXml(plist_t node)
{
    char* text = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &text, &length);
    QByteArray out(text, qsizetype(length));
    plist_to_xml_free(text);
    return out;
}
inline QByteArray toBinary(plist_t node)
{
    char* data = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &data, &length);
    QByteArray out(data, qsizetype(length));
    plist_to_bin_free(data);
    return out;
}

// A binary property list of `depth` arrays nested in one another, written byte by byte (libplist's own
// writer recurses, so it cannot write one this deep). Object i is a one-element array holding object
// i + 1; the last is empty. Three-byte references and offsets.
inline QByteArray deeplyNestedBinary(quint32 depth)
{
    QByteArray out("bplist00");
    const auto put = [&out](quint64 value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            out.append(char((value >> (8 * i)) & 0xff));
    };
    std::vector<quint64> offsets;
    offsets.reserve(depth + 1);
    for (quint32 i = 0; i < depth; ++i) {
        offsets.push_back(quint64(out.size()));
        out.append(char(0xa1));
        put(i + 1, 3);
    }
    offsets.push_back(quint64(out.size()));
    out.append(char(0xa0));
    const quint64 tableOffset = quint64(out.size());
    for (quint64 offset : offsets)
        put(offset, 3);
    out.append(QByteArray(6, '\0'));
    out.append(char(3)); // offset size
    out.append(char(3)); // reference size
    put(depth + 1, 8);   // object count
    put(0, 8);           // top object
    put(tableOffset, 8);
    return out;
}

} // namespace qm::test::plist
