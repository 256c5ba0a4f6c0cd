#include "core/apps/PropertyList.h"

#include "platform/BoundedReader.h"

#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

namespace qm {
namespace {

quint64 readBigEndian(const unsigned char* at, int bytes)
{
    quint64 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | at[i];
    return value;
}

// Whether an XML list nests its arrays and dictionaries at most `maxDepth` deep. Comments and CDATA
// sections are passed over whole (a closing tag inside one must not lower the count) and an
// unterminated one, or an entity declaration, refuses the list.
bool xmlWithinLimits(QByteArrayView data, int maxDepth)
{
    const char* const text = data.data();
    const qsizetype size = data.size();
    const auto startsWith = [&](qsizetype at, QByteArrayView what) {
        return size - at >= what.size() && std::memcmp(text + at, what.data(), std::size_t(what.size())) == 0;
    };
    int depth = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (text[i] != '<')
            continue;
        if (startsWith(i, "<!ENTITY"))
            return false;
        for (const auto& [open, close] : {std::pair<QByteArrayView, QByteArrayView>{"<!--", "-->"},
                                          std::pair<QByteArrayView, QByteArrayView>{"<![CDATA[", "]]>"}}) {
            if (startsWith(i, open)) {
                const qsizetype end = data.sliced(i + open.size()).indexOf(close);
                if (end < 0)
                    return false;
                i += open.size() + end + close.size() - 1;
                break;
            }
        }
        if (text[i] != '<')
            continue;
        qsizetype j = i + 1;
        const bool closing = j < size && text[j] == '/';
        if (closing)
            ++j;
        qsizetype nameLength = 0;
        if (size - j >= 5 && std::memcmp(text + j, "array", 5) == 0)
            nameLength = 5;
        else if (size - j >= 4 && std::memcmp(text + j, "dict", 4) == 0)
            nameLength = 4;
        if (nameLength == 0)
            continue;
        const qsizetype after = j + nameLength;
        if (after < size && text[after] != '>' && text[after] != '/' && text[after] != ' ' &&
            text[after] != '\t' && text[after] != '\n' && text[after] != '\r')
            continue; // another element whose name starts the same
        if (closing) {
            depth = depth > 0 ? depth - 1 : 0;
            continue;
        }
        const void* end = std::memchr(text + after, '>', std::size_t(size - after));
        if (end && static_cast<const char*>(end) > text + after && static_cast<const char*>(end)[-1] == '/')
            continue; // <array/>
        if (++depth > maxDepth)
            return false;
    }
    return true;
}

// Whether a binary list stays within the nesting and expansion limits. Follows only the object table
// and the references of arrays, sets and dictionaries, iteratively; anything it cannot follow is
// refused (libplist would refuse it too).
bool binaryWithinLimits(QByteArrayView bytes, int maxDepth, quint64 maxNodes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto size = quint64(bytes.size());
    if (size < 8 + 32)
        return false;
    const unsigned char* trailer = data + size - 32;
    const int offsetSize = trailer[6];
    const int refSize = trailer[7];
    const quint64 objectCount = readBigEndian(trailer + 8, 8);
    const quint64 top = readBigEndian(trailer + 16, 8);
    const quint64 tableOffset = readBigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8)
        return false;
    if (tableOffset < 8 || tableOffset >= size - 32 || objectCount == 0 || top >= objectCount)
        return false;
    if (objectCount > (size - 32 - tableOffset) / quint64(offsetSize))
        return false;

    struct Container
    {
        quint64 refCount = 0;
        quint64 refsAt = 0;
    };
    // Describes object `index`: a container with its references, or a leaf (refCount 0, refsAt 0).
    const auto describe = [&](quint64 index, Container& out) {
        const quint64 offset = readBigEndian(data + tableOffset + index * quint64(offsetSize), offsetSize);
        if (offset < 8 || offset >= tableOffset)
            return false;
        const int type = data[offset] >> 4;
        quint64 count = data[offset] & 0x0f;
        quint64 position = offset + 1;
        out = Container{};
        if (type != 0xa && type != 0xc && type != 0xd)
            return true;
        if (count == 0x0f) {
            if (position >= tableOffset || (data[position] >> 4) != 0x1)
                return false;
            const int countBytes = 1 << (data[position] & 0x0f);
            ++position;
            if (countBytes > 8 || position + quint64(countBytes) > tableOffset)
                return false;
            count = readBigEndian(data + position, countBytes);
            position += quint64(countBytes);
        }
        if (count > size)
            return false;
        const quint64 refs = type == 0xd ? count * 2 : count;
        if (position + refs * quint64(refSize) > tableOffset)
            return false;
        out = Container{refs, position};
        return true;
    };

    enum : unsigned char { Unseen, Open, Done };
    std::vector<unsigned char> state(objectCount, Unseen);
    std::vector<quint64> nodes(objectCount, 0);
    struct Step
    {
        quint64 index;
        Container container;
        quint64 nextRef = 0;
        quint64 nodeSum = 1;
    };
    std::vector<Step> stack;

    Container rootShape;
    if (!describe(top, rootShape))
        return false;
    if (rootShape.refCount == 0)
        return true;
    state[top] = Open;
    stack.push_back(Step{top, rootShape});
    while (!stack.empty()) {
        Step& step = stack.back();
        if (step.nextRef < step.container.refCount) {
            const quint64 child =
                readBigEndian(data + step.container.refsAt + step.nextRef * quint64(refSize), refSize);
            ++step.nextRef;
            if (child >= objectCount || state[child] == Open)
                return false;
            if (state[child] == Unseen) {
                Container shape;
                if (!describe(child, shape))
                    return false;
                if (shape.refCount > 0) {
                    if (int(stack.size()) >= maxDepth)
                        return false;
                    state[child] = Open;
                    stack.push_back(Step{child, shape});
                    continue;
                }
                state[child] = Done;
                nodes[child] = 1;
            }
            step.nodeSum += nodes[child];
            if (step.nodeSum > maxNodes)
                return false;
            continue;
        }
        const quint64 index = step.index;
        const quint64 total = step.nodeSum;
        state[index] = Done;
        nodes[index] = total;
        stack.pop_back();
        if (!stack.empty()) {
            stack.back().nodeSum += total;
            if (stack.back().nodeSum > maxNodes)
                return false;
        }
    }
    return true;
}

Error refused(int code, const char* what)
{
    return Error::posix(code, QString::fromLatin1(what));
}

} // namespace

void PropertyList::Free::operator()(void* node) const
{
    plist_free(static_cast<plist_t>(node));
}

Result<PropertyList> PropertyList::read(const Path& path, qint64 maxBytes)
{
    const auto data = readBounded(path, maxBytes);
    if (!data)
        return data.error();
    auto parsed = parse(*data);
    if (!parsed)
        return Error::posix(parsed.error().code(), parsed.error().description() + QStringLiteral(": ") +
                                                       FileSystem::displayName(path));
    return parsed;
}

Result<PropertyList> PropertyList::parse(QByteArrayView data)
{
    if (data.size() > qsizetype(std::numeric_limits<quint32>::max()))
        return refused(E2BIG, "Property list too large");
    const auto length = quint32(data.size());
    if (plist_is_binary(data.data(), length)) {
        if (!binaryWithinLimits(data, kMaxDepth, kMaxNodes))
            return refused(E2BIG, "Binary property list malformed, too deep or too large");
    } else if (!xmlWithinLimits(data, kMaxDepth)) {
        return refused(E2BIG, "Property list nested too deeply");
    }
    plist_t root = nullptr;
    plist_from_memory(data.data(), length, &root);
    if (!root)
        return refused(EBADMSG, "Not a property list");
    return PropertyList(root);
}

bool PropertyList::isDictionary() const
{
    return plist_get_node_type(root()) == PLIST_DICT;
}

quint32 PropertyList::dictionarySize() const
{
    return isDictionary() ? plist_dict_get_size(root()) : 0;
}

std::optional<std::string> PropertyList::stringBytes(const char* key) const
{
    if (!isDictionary())
        return std::nullopt;
    const plist_t node = plist_dict_get_item(root(), key);
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (!text)
        return std::string();
    return std::string(text, std::size_t(length));
}

std::optional<QString> PropertyList::string(const char* key) const
{
    const auto bytes = stringBytes(key);
    if (!bytes)
        return std::nullopt;
    return QString::fromUtf8(bytes->data(), qsizetype(bytes->size()));
}

bool PropertyList::isTextOrNotString(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return true;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (!text)
        return true;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(QByteArrayView(text, qsizetype(length)));
    return !decoder.hasError();
}

} // namespace qm
