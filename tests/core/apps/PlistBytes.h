#pragma once

// Property-list fixtures written by libplist itself, so the bytes are what real tools produce.

#include <QByteArray>

#include <plist/plist.h>

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace qm::test {

using PlistValue = std::variant<std::string, std::int64_t, bool>;
using PlistEntries = std::vector<std::pair<std::string, PlistValue>>;

inline plist_t plistNode(const PlistValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return plist_new_string(text->c_str());
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return plist_new_uint(std::uint64_t(*number));
    return plist_new_bool(std::get<bool>(value) ? 1 : 0);
}

// The bytes of `root`, XML or binary; takes ownership of `root`.
inline QByteArray plistBytes(plist_t root, bool binary)
{
    char* data = nullptr;
    std::uint32_t length = 0;
    if (binary)
        plist_to_bin(root, &data, &length);
    else
        plist_to_xml(root, &data, &length);
    QByteArray bytes(data, qsizetype(length));
    if (binary)
        plist_to_bin_free(data);
    else
        plist_to_xml_free(data);
    plist_free(root);
    return bytes;
}

// A dictionary of the given entries, in XML or binary form.
inline QByteArray dictionaryBytes(const PlistEntries& entries, bool binary)
{
    plist_t dict = plist_new_dict();
    for (const auto& [key, value] : entries)
        plist_dict_set_item(dict, key.c_str(), plistNode(value));
    return plistBytes(dict, binary);
}

} // namespace qm::test
