#include "core/cloud/CloudCleanup.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(CloudCleanupTest, FreedBytesSumsWhatEachMeasuredPathLost)
{
    using CloudCleanup::LocalBytesByPath;
    struct Row
    {
        const char* name;
        LocalBytesByPath before;
        LocalBytesByPath after;
        bool partial;
        qint64 bytes;
        bool exact;
    };
    const Row rows[] = {
        {"a path gone from the second measurement counts whole",
         {{"A", 100}, {"B", 50}},
         {{"A", 0}},
         false,
         150,
         true},
        {"growth is not negative freeing", {{"A", 100}}, {{"A", 120}}, false, 0, true},
        {"growth of one path does not eat another's freeing",
         {{"A", 100}, {"B", 50}},
         {{"A", 130}, {"B", 10}},
         false,
         40,
         true},
        {"paths only measured afterwards are ignored",
         {{"A", 100}},
         {{"A", 60}, {"C", 900}},
         false,
         40,
         true},
        {"a partial measurement makes the figure an upper bound", {{"A", 100}}, {{"A", 0}}, true, 100, false},
        {"nothing measured before frees nothing", {}, {{"A", 5}}, false, 0, true},
        // "a\xff" and its decoded look-alike "a\uFFFD" are two files: only the undecodable one lost
        // its bytes.
        {"keys compare as bytes",
         {{"a\xff", 100}, {"a\xEF\xBF\xBD", 50}},
         {{"a\xEF\xBF\xBD", 50}},
         false,
         100,
         true},
    };
    for (const Row& row : rows) {
        const CloudCleanup::Freed freed = CloudCleanup::freedBytes(row.before, row.after, row.partial);
        EXPECT_EQ(freed.bytes, row.bytes) << row.name;
        EXPECT_EQ(freed.exact, row.exact) << row.name;
    }
}

} // namespace
} // namespace qm
