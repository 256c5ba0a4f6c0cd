#include "helper/LaunchPlist.h"

#include <plist/plist.h>

#include <limits>
#include <memory>

namespace qm::LaunchPlist {
namespace {

struct PlistFree
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistFree>;

// The parsed dictionary, or null when the data is no property list or not a dictionary.
PlistHandle dictionary(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > std::numeric_limits<uint32_t>::max())
        return nullptr;
    plist_t root = nullptr;
    plist_from_memory(data.constData(), static_cast<uint32_t>(data.size()), &root);
    PlistHandle handle(root);
    if (!handle || plist_get_node_type(root) != PLIST_DICT)
        return nullptr;
    return handle;
}

std::optional<std::string> stringValue(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (!text)
        return std::string();
    return std::string(text, static_cast<std::size_t>(length));
}

std::string upToNul(std::string text)
{
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

} // namespace

std::optional<std::string> program(const QByteArray& data)
{
    const PlistHandle root = dictionary(data);
    if (!root)
        return std::nullopt;
    if (const std::optional<std::string> direct = stringValue(plist_dict_get_item(root.get(), "Program")))
        return upToNul(*direct);
    plist_t arguments = plist_dict_get_item(root.get(), "ProgramArguments");
    if (!arguments || plist_get_node_type(arguments) != PLIST_ARRAY || plist_array_get_size(arguments) == 0)
        return std::nullopt;
    if (const std::optional<std::string> first = stringValue(plist_array_get_item(arguments, 0)))
        return upToNul(*first);
    return std::nullopt;
}

std::optional<std::string> label(const QByteArray& data)
{
    const PlistHandle root = dictionary(data);
    if (!root)
        return std::nullopt;
    return stringValue(plist_dict_get_item(root.get(), "Label"));
}

} // namespace qm::LaunchPlist
