#include "helper/LaunchPlist.h"

#include <plist/plist.h>

#include <atomic>
#include <limits>
#include <memory>
#include <vector>

namespace qm::LaunchPlist {
namespace {

struct PlistFree
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistFree>;

// libplist recurses once per level of nesting and copies a binary object once for every reference to
// it, so a deep list overflows the stack and a small binary one whose objects refer to each other
// many times over expands without end. Both are bounded before libplist sees the data: no launchd
// property list comes near these limits.
constexpr std::size_t kMaxElements = 8192; // values after expansion, and '<' characters of an XML list
constexpr std::size_t kMaxDepth = 64;      // containers inside containers (binary lists)

std::atomic<quint64> parses{0};

quint64 readBigEndian(const unsigned char* at, unsigned bytes)
{
    quint64 value = 0;
    for (unsigned i = 0; i < bytes; ++i)
        value = (value << 8) | at[i];
    return value;
}

// Every element of an XML list starts with '<', so their count bounds both how many values libplist
// builds and how deep it recurses, whatever comments, CDATA or closing tags around them say.
bool xmlWithinLimits(const QByteArray& data)
{
    return static_cast<std::size_t>(data.count('<')) <= kMaxElements;
}

// Walks the object graph of a binary list as libplist would expand it (each reference counted again),
// iteratively, and refuses it past the limits or wherever it cannot follow the references (libplist
// refuses those too).
bool binaryWithinLimits(const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const auto size = static_cast<quint64>(data.size());
    constexpr quint64 kHeader = 8;
    constexpr quint64 kTrailer = 32;
    if (size < kHeader + kTrailer)
        return false;
    const unsigned char* trailer = bytes + size - kTrailer;
    const unsigned offsetSize = trailer[6];
    const unsigned refSize = trailer[7];
    const quint64 objectCount = readBigEndian(trailer + 8, 8);
    const quint64 top = readBigEndian(trailer + 16, 8);
    const quint64 tableOffset = readBigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || objectCount == 0 ||
        top >= objectCount || tableOffset < kHeader || tableOffset > size - kTrailer ||
        objectCount > (size - kTrailer - tableOffset) / offsetSize)
        return false;

    struct Pending
    {
        quint64 index;
        std::size_t depth;
    };
    std::vector<Pending> pending{{top, 1}};
    std::size_t visited = 0;
    while (!pending.empty()) {
        const Pending item = pending.back();
        pending.pop_back();
        ++visited;
        const quint64 offset = readBigEndian(bytes + tableOffset + item.index * offsetSize, offsetSize);
        if (offset < kHeader || offset >= tableOffset)
            return false;
        const unsigned type = bytes[offset] >> 4;
        if (type != 0xa && type != 0xc && type != 0xd) // only arrays, sets and dictionaries refer
            continue;
        quint64 count = bytes[offset] & 0x0f;
        quint64 position = offset + 1;
        if (count == 0x0f) {
            if (position >= tableOffset || (bytes[position] >> 4) != 0x1)
                return false;
            const unsigned countBytes = 1u << (bytes[position] & 0x0f);
            ++position;
            if (countBytes > 8 || countBytes > tableOffset - position)
                return false;
            count = readBigEndian(bytes + position, countBytes);
            position += countBytes;
        }
        if (count > kMaxElements)
            return false;
        const quint64 refs = type == 0xd ? count * 2 : count;
        if (refs == 0)
            continue;
        if (item.depth >= kMaxDepth || refs > (tableOffset - position) / refSize ||
            visited + pending.size() + refs > kMaxElements)
            return false;
        for (quint64 i = 0; i < refs; ++i) {
            const quint64 child = readBigEndian(bytes + position + i * refSize, refSize);
            if (child >= objectCount)
                return false;
            pending.push_back({child, item.depth + 1});
        }
    }
    return true;
}

// The parsed dictionary, or null when the data is no property list, not a dictionary, or beyond the
// limits above.
PlistHandle dictionary(const QByteArray& data)
{
    parses.fetch_add(1, std::memory_order_relaxed);
    if (data.isEmpty() || data.size() > std::numeric_limits<uint32_t>::max())
        return nullptr;
    const bool binary = plist_is_binary(data.constData(), static_cast<uint32_t>(data.size()));
    if (binary ? !binaryWithinLimits(data) : !xmlWithinLimits(data))
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

std::optional<std::string> programOf(plist_t root)
{
    if (const std::optional<std::string> direct = stringValue(plist_dict_get_item(root, "Program")))
        return upToNul(*direct);
    plist_t arguments = plist_dict_get_item(root, "ProgramArguments");
    if (!arguments || plist_get_node_type(arguments) != PLIST_ARRAY || plist_array_get_size(arguments) == 0)
        return std::nullopt;
    if (const std::optional<std::string> first = stringValue(plist_array_get_item(arguments, 0)))
        return upToNul(*first);
    return std::nullopt;
}

std::optional<std::string> labelOf(plist_t root)
{
    return stringValue(plist_dict_get_item(root, "Label"));
}

} // namespace

std::optional<std::string> program(const QByteArray& data)
{
    const PlistHandle root = dictionary(data);
    return root ? programOf(root.get()) : std::nullopt;
}

std::optional<std::string> label(const QByteArray& data)
{
    const PlistHandle root = dictionary(data);
    return root ? labelOf(root.get()) : std::nullopt;
}

Job job(const QByteArray& data)
{
    const PlistHandle root = dictionary(data);
    if (!root)
        return Job{};
    return Job{programOf(root.get()), labelOf(root.get())};
}

quint64 parseCount()
{
    return parses.load(std::memory_order_relaxed);
}

} // namespace qm::LaunchPlist
