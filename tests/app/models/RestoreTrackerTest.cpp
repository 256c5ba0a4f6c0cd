#include "app/models/RestoreTracker.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>

namespace qm {
namespace {

TEST(RestoreTracker, RestoringHoldsWhileAnyTokenLivesAndIsToldOnItsEdgesOnly)
{
    RestoreTracker tracker;
    QSignalSpy changed(&tracker, &RestoreTracker::anyRestoringChanged);
    EXPECT_FALSE(tracker.anyRestoring());

    std::optional<RestoreTracker::Token> first(tracker.hold());
    RestoreTracker::Token second = tracker.hold();
    EXPECT_TRUE(tracker.anyRestoring());
    EXPECT_EQ(changed.count(), 1);

    // Moving hands the count on: the moved-from token gives nothing back.
    RestoreTracker::Token moved = std::move(second);
    EXPECT_FALSE(second.held()); // NOLINT(bugprone-use-after-move): the moved-from state is the point
    second.reset();
    EXPECT_TRUE(tracker.anyRestoring());

    first.reset();
    EXPECT_TRUE(tracker.anyRestoring()) << "one restore still runs";
    moved = RestoreTracker::Token();
    EXPECT_FALSE(tracker.anyRestoring());
    EXPECT_EQ(changed.count(), 2);
}

TEST(RestoreTracker, ATokenMayOutliveItsTracker)
{
    auto tracker = std::make_unique<RestoreTracker>();
    RestoreTracker::Token token = tracker->hold();
    tracker.reset();
    EXPECT_FALSE(token.held());
    token.reset(); // nothing to give back to
}

TEST(RestoreTracker, EmptyingIsAFlagOfItsOwn)
{
    RestoreTracker tracker;
    QSignalSpy changed(&tracker, &RestoreTracker::emptyingTrashChanged);
    tracker.setEmptyingTrash(true);
    tracker.setEmptyingTrash(true);
    EXPECT_TRUE(tracker.emptyingTrash());
    EXPECT_FALSE(tracker.anyRestoring());
    tracker.setEmptyingTrash(false);
    EXPECT_EQ(changed.count(), 2);
}

} // namespace
} // namespace qm
