#include "core/files/LargeFileList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace qm {
namespace {

FileEntry entry(const std::string& tag, qint64 bytes)
{
    FileEntry e;
    e.url = "/t/" + tag;
    e.name = tag;
    e.bytes = bytes;
    return e;
}

struct Offer
{
    std::string tag;
    qint64 bytes;
};

std::vector<std::string> tags(const std::vector<FileEntry>& entries)
{
    std::vector<std::string> out;
    for (const FileEntry& e : entries)
        out.push_back(e.name.native());
    return out;
}

struct Outcome
{
    std::vector<std::string> order;
    bool capped = false;
};

Outcome run(std::size_t cap, const std::vector<Offer>& offers, int* made = nullptr)
{
    LargeFileList list(cap);
    for (const Offer& o : offers) {
        list.add(o.bytes, [&] {
            if (made)
                ++*made;
            return entry(o.tag, o.bytes);
        });
    }
    const bool capped = list.capped();
    return {tags(list.sorted()), capped};
}

// The list as the search first described it: after each change to a full list the whole list is
// scanned again from the front, the smallest index moving only to a strictly smaller entry.
Outcome linearRescan(std::size_t cap, const std::vector<Offer>& offers)
{
    std::vector<Offer> list;
    std::size_t smallest = 0;
    bool capped = false;
    const auto rescan = [&] {
        smallest = 0;
        for (std::size_t i = 1; i < list.size(); ++i) {
            if (list[i].bytes < list[smallest].bytes)
                smallest = i;
        }
    };
    for (const Offer& o : offers) {
        if (list.size() < cap) {
            list.push_back(o);
            if (list.size() == cap)
                rescan();
            continue;
        }
        capped = true;
        if (list[smallest].bytes >= o.bytes)
            continue;
        list[smallest] = o;
        rescan();
    }
    // A stable sort, largest first, written out as an insertion sort.
    for (std::size_t i = 1; i < list.size(); ++i) {
        for (std::size_t j = i; j > 0 && list[j - 1].bytes < list[j].bytes; --j)
            std::swap(list[j - 1], list[j]);
    }
    Outcome out;
    for (const Offer& o : list)
        out.order.push_back(o.tag);
    out.capped = capped;
    return out;
}

TEST(LargeFileListTest, CapOfThreeDropsAnEqualNewcomerAndKeepsTiesInListOrder)
{
    struct Case
    {
        const char* what;
        std::vector<Offer> offers;
        std::vector<std::string> expected;
        bool capped;
        int made; // entries built: a dropped newcomer builds none
    };
    const std::vector<Case> cases{
        {"below the cap", {{"a", 10}, {"b", 30}}, {"b", "a"}, false, 2},
        {"exactly full is not capped", {{"a", 10}, {"b", 30}, {"c", 20}}, {"b", "c", "a"}, false, 3},
        {"an equal newcomer is dropped but marks the list",
         {{"a", 10}, {"b", 30}, {"c", 20}, {"d", 10}},
         {"b", "c", "a"},
         true,
         3},
        {"a smaller newcomer is dropped",
         {{"a", 10}, {"b", 30}, {"c", 20}, {"d", 5}},
         {"b", "c", "a"},
         true,
         3},
        {"a larger newcomer replaces the smallest",
         {{"a", 10}, {"b", 30}, {"c", 20}, {"d", 25}},
         {"b", "d", "c"},
         true,
         4},
        {"the first of equal minima is replaced, ties keep list order",
         {{"a", 5}, {"b", 5}, {"c", 5}, {"d", 6}, {"e", 5}, {"f", 7}},
         {"f", "d", "c"},
         true,
         5},
        {"equal sizes come out in list order", {{"x", 8}, {"y", 9}, {"z", 8}}, {"y", "x", "z"}, false, 3},
    };
    for (const Case& c : cases) {
        int made = 0;
        const Outcome out = run(3, c.offers, &made);
        EXPECT_EQ(out.order, c.expected) << c.what;
        EXPECT_EQ(out.capped, c.capped) << c.what;
        EXPECT_EQ(made, c.made) << c.what;
        EXPECT_EQ(linearRescan(3, c.offers).order, c.expected) << c.what << " (the reference itself)";
    }
}

TEST(LargeFileListTest, RandomOffersGiveWhatLinearRescansGive)
{
    std::mt19937 random(20261210);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t cap = 1 + random() % 7;
        const int count = int(random() % 40);
        // Few distinct sizes, so that ties and equal newcomers are common.
        const qint64 sizes = 1 + random() % 12;
        std::vector<Offer> offers;
        for (int i = 0; i < count; ++i)
            offers.push_back({std::to_string(i), qint64(random() % sizes)});
        const Outcome got = run(cap, offers);
        const Outcome expected = linearRescan(cap, offers);
        ASSERT_EQ(got.order, expected.order) << "round " << round << ", cap " << cap;
        ASSERT_EQ(got.capped, expected.capped) << "round " << round;
    }
}

TEST(LargeFileListTest, AscendingSizesBeyondTheCapKeepTheLargest)
{
    // The cap's worst case for a rescan: every newcomer displaces the smallest.
    constexpr std::size_t kCap = 1000;
    std::vector<Offer> offers;
    for (int i = 0; i < 5000; ++i)
        offers.push_back({std::to_string(i), qint64(i)});
    const Outcome out = run(kCap, offers);
    ASSERT_EQ(out.order.size(), kCap);
    EXPECT_TRUE(out.capped);
    EXPECT_EQ(out.order.front(), "4999");
    EXPECT_EQ(out.order.back(), "4000");
    EXPECT_EQ(out.order, linearRescan(kCap, offers).order);
}

} // namespace
} // namespace qm
