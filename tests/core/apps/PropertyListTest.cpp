#include "core/apps/PropertyList.h"

#include "PlistBytes.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace qm {
namespace {

using test::dictionaryBytes;

// Arrays nested `depth` deep, written as text.
QByteArray nestedXml(int depth)
{
    QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < depth; ++i)
        xml += "<array>";
    for (int i = 0; i < depth; ++i)
        xml += "</array>";
    return xml + "</plist>";
}

void putBigEndian(QByteArray& out, quint64 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out += char((value >> (8 * i)) & 0xff);
}

// A binary list built by hand: `containers[i]` lists the objects that object i refers to (an array
// each); the last object is the boolean true. Offsets and references are four bytes wide.
QByteArray binaryArrays(const std::vector<std::vector<quint32>>& containers)
{
    QByteArray out = "bplist00";
    std::vector<quint64> offsets;
    for (const auto& refs : containers) {
        offsets.push_back(quint64(out.size()));
        if (refs.size() < 15) {
            out += char(0xa0 | refs.size());
        } else {
            out += char(0xaf);
            out += char(0x12); // a four-byte integer count follows
            putBigEndian(out, refs.size(), 4);
        }
        for (const quint32 ref : refs)
            putBigEndian(out, ref, 4);
    }
    offsets.push_back(quint64(out.size()));
    out += char(0x09);
    const quint64 table = quint64(out.size());
    for (const quint64 offset : offsets)
        putBigEndian(out, offset, 4);
    out += QByteArray(6, '\0');
    out += char(4);
    out += char(4);
    putBigEndian(out, offsets.size(), 8);
    putBigEndian(out, 0, 8);
    putBigEndian(out, table, 8);
    return out;
}

TEST(PropertyListTest, ReadsXmlAndBinaryDictionaries)
{
    const test::PlistEntries entries{{"CFBundleIdentifier", std::string("com.example.App")},
                                     {"CFBundleName", std::string("Ünïcödé App")},
                                     {"Empty", std::string()},
                                     {"Number", std::int64_t(42)},
                                     {"Flag", true}};
    for (const bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "XML");
        const auto list = PropertyList::parse(dictionaryBytes(entries, binary));
        ASSERT_TRUE(list) << list.error().description().toStdString();
        EXPECT_TRUE(list->isDictionary());
        EXPECT_EQ(list->dictionarySize(), 5u);
        EXPECT_EQ(list->string("CFBundleIdentifier"), QStringLiteral("com.example.App"));
        EXPECT_EQ(list->string("CFBundleName"), QStringLiteral("Ünïcödé App"));
        EXPECT_EQ(list->stringBytes("CFBundleName"), std::string("Ünïcödé App"));
        EXPECT_EQ(list->string("Empty"), QString());
        EXPECT_EQ(list->string("Number"), std::nullopt);
        EXPECT_EQ(list->string("Flag"), std::nullopt);
        EXPECT_EQ(list->string("Missing"), std::nullopt);
    }

    // Many keys: the binary count then needs its extended form.
    test::PlistEntries many;
    for (int i = 0; i < 300; ++i)
        many.emplace_back("key" + std::to_string(i), std::string("value"));
    const auto big = PropertyList::parse(dictionaryBytes(many, true));
    ASSERT_TRUE(big);
    EXPECT_EQ(big->dictionarySize(), 300u);

    const auto array = PropertyList::parse(test::plistBytes(plist_new_array(), false));
    ASSERT_TRUE(array);
    EXPECT_FALSE(array->isDictionary());
    EXPECT_EQ(array->dictionarySize(), 0u);
    EXPECT_EQ(array->string("CFBundleName"), std::nullopt);
}

TEST(PropertyListTest, RefusesWhatIsNoPropertyList)
{
    for (const QByteArray& bytes :
         {QByteArray(), QByteArray("garbage"), QByteArray("<plist><dict><key>a</key>"),
          QByteArray("bplist00\x01\x02", 10)}) {
        const auto list = PropertyList::parse(bytes);
        ASSERT_FALSE(list) << bytes.toStdString();
        EXPECT_TRUE(list.error().code() == EBADMSG || list.error().code() == E2BIG) << bytes.toStdString();
    }
}

TEST(PropertyListTest, RefusesNestingThatWouldExhaustTheStack)
{
    // Deep enough to crash libplist's recursive parsers on a thread's stack.
    EXPECT_EQ(PropertyList::parse(nestedXml(200'000)).error().code(), E2BIG);
    EXPECT_TRUE(PropertyList::parse(nestedXml(PropertyList::kMaxDepth)));
    EXPECT_EQ(PropertyList::parse(nestedXml(PropertyList::kMaxDepth + 1)).error().code(), E2BIG);
    // Empty elements do not nest, and names that merely begin like a container are no containers.
    QByteArray flat = "<plist><array>";
    for (int i = 0; i < 1000; ++i)
        flat += "<array/><dict/><array />";
    EXPECT_TRUE(PropertyList::parse(flat + "</array></plist>"));
    QByteArray lookalikes = "<plist>";
    for (int i = 0; i < 1000; ++i)
        lookalikes += "<arrays><dictx>";
    EXPECT_EQ(PropertyList::parse(lookalikes + "</plist>").error().code(), EBADMSG);
    // Closing tags hidden in comments or CDATA must not lower the count.
    QByteArray hidden = "<plist>";
    for (int i = 0; i < 300; ++i)
        hidden += "<array><!--</array>--><![CDATA[</array>]]>";
    EXPECT_EQ(PropertyList::parse(hidden).error().code(), E2BIG);
    EXPECT_FALSE(PropertyList::parse("<plist><array><!-- never closed </array></plist>"));
    EXPECT_FALSE(PropertyList::parse("<!DOCTYPE plist [<!ENTITY a \"<array>\">]><plist>&a;</plist>"));

    const auto chain = [](int depth) {
        std::vector<std::vector<quint32>> containers;
        for (int i = 0; i < depth; ++i)
            containers.push_back({quint32(i + 1)});
        return binaryArrays(containers);
    };
    EXPECT_EQ(PropertyList::parse(chain(200'000)).error().code(), E2BIG);
    EXPECT_TRUE(PropertyList::parse(chain(PropertyList::kMaxDepth)));
    EXPECT_EQ(PropertyList::parse(chain(PropertyList::kMaxDepth + 1)).error().code(), E2BIG);
}

TEST(PropertyListTest, RefusesSharedReferencesThatExpandBeyondTheLimit)
{
    // Each array refers to the next one twice: 2^n values from a few hundred bytes.
    const auto bomb = [](int levels, int fanOut) {
        std::vector<std::vector<quint32>> containers;
        for (int i = 0; i < levels; ++i)
            containers.push_back(std::vector<quint32>(std::size_t(fanOut), quint32(i + 1)));
        return binaryArrays(containers);
    };
    EXPECT_EQ(PropertyList::parse(bomb(40, 2)).error().code(), E2BIG);
    EXPECT_EQ(PropertyList::parse(bomb(8, 20)).error().code(), E2BIG); // 20^8, counted in the long form
    EXPECT_TRUE(PropertyList::parse(bomb(10, 2)));                     // 2^11 values are fine

    // A reference cycle and a reference past the object table.
    EXPECT_FALSE(PropertyList::parse(binaryArrays({{1}, {0}})));
    EXPECT_FALSE(PropertyList::parse(binaryArrays({{7}})));
}

TEST(PropertyListTest, ReadsFilesThroughTheBoundedReader)
{
    test::TempTree tree;
    const Path good = tree.fileWithContent("Info.plist", dictionaryBytes({{"A", std::string("b")}}, true));
    const auto list = PropertyList::read(good, 1024);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->string("A"), QStringLiteral("b"));

    EXPECT_EQ(PropertyList::read(tree.fifo("pipe.plist"), 1024).error().code(), EINVAL); // never blocks
    EXPECT_EQ(PropertyList::read(tree.symlink(good, "link.plist"), 1024).error().code(), ELOOP);
    EXPECT_EQ(PropertyList::read(good, 10).error().code(), EFBIG);
    EXPECT_EQ(PropertyList::read(tree.path("missing.plist"), 1024).error().code(), ENOENT);
    EXPECT_EQ(PropertyList::read(tree.fileWithContent("bad.plist", "not a plist"), 1024).error().code(),
              EBADMSG);
}

} // namespace
} // namespace qm
