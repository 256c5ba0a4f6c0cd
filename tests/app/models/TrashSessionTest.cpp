#include "app/models/TrashSession.h"

#include "app/models/RestoreTracker.h"
#include "support/EventLoopWait.h"
#include "support/FakeClock.h"

#include <QSignalSpy>
#include <QUuid>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

namespace qm {
namespace {

using namespace std::chrono_literals;
using test::FakeClock;
using test::settle;

TrashedItem trashed(const char* original)
{
    return TrashedItem{QUuid::createUuid(), original, "/t/x", 1, std::nullopt, {}};
}

CleanReport movedOne(const char* original)
{
    CleanReport report;
    report.trashed = {trashed(original)};
    return report;
}

// Runs a clean whose work hands back `report` and waits for it to be applied; returns `current`.
std::optional<bool> cleanWith(TrashSession& session, const CleanReport& report)
{
    std::optional<bool> current;
    session.clean([report] { return report; },
                  [&current](const CleanReport&, bool isCurrent) { current = isCurrent; });
    EXPECT_TRUE(session.cleaning());
    EXPECT_TRUE(settle([&] { return current.has_value(); }));
    EXPECT_FALSE(session.cleaning());
    return current;
}

TEST(TrashSession, MergedRecordKeepsEarlierItemsAndTheLatestFailuresWithDetails)
{
    CleanReport earlier;
    earlier.trashed = {TrashedItem{QUuid::createUuid(), "/h/a", "/t/a", 1, std::nullopt, {}}};
    CleanReport latest;
    latest.failures = {QStringLiteral("b: gone")};
    latest.failureDetails = {CleanFailure{}};
    const std::optional<CleanReport> merged = TrashSession::merged(earlier, latest);
    ASSERT_TRUE(merged.has_value());
    EXPECT_EQ(merged->trashed, earlier.trashed);
    EXPECT_EQ(merged->failures, latest.failures);
    EXPECT_EQ(merged->failureDetails.size(), 1u);
    EXPECT_FALSE(TrashSession::merged(std::nullopt, latest).has_value());
}

TEST(TrashSession, CleansJoinTheRecordWhichExpiresAWindowAfterItsLastRecording)
{
    FakeClock clock;
    TrashSession session(nullptr);
    session.expireAfter(clock, 15s);
    QSignalSpy completions(&session, &TrashSession::cleanCompletionsChanged);

    EXPECT_EQ(cleanWith(session, movedOne("/h/a")), true);
    clock.advance(10s);
    EXPECT_EQ(cleanWith(session, movedOne("/h/b")), true);
    ASSERT_TRUE(session.hasReport());
    EXPECT_EQ(session.report()->trashed.size(), 2u) << "a clean while the record stands joins it";
    EXPECT_EQ(session.cleanCompletions(), 2);
    EXPECT_EQ(completions.count(), 2);

    clock.advance(10s);
    EXPECT_TRUE(session.hasReport()) << "the first recording's expiry no longer applies";
    clock.advance(5s);
    EXPECT_FALSE(session.hasReport());

    EXPECT_EQ(cleanWith(session, CleanReport{}), true);
    EXPECT_FALSE(session.hasReport()) << "a clean that moved nothing records nothing";
    EXPECT_EQ(session.cleanCompletions(), 2);
}

TEST(TrashSession, AResultIsCurrentOnlyWhileNoGenerationStartedSinceItsWork)
{
    TrashSession session(nullptr);
    std::optional<bool> current;
    session.clean([] { return movedOne("/h/a"); },
                  [&current](const CleanReport&, bool isCurrent) { current = isCurrent; });
    EXPECT_EQ(session.advance(), 1);
    ASSERT_TRUE(settle([&] { return current.has_value(); }));
    EXPECT_FALSE(*current);
    EXPECT_TRUE(session.hasReport()) << "a stale clean still joins the record";
}

TEST(TrashSession, AnUndoTakesTheRecordAndHoldsTheSharedTrackerUntilItIsApplied)
{
    RestoreTracker tracker;
    TrashSession session(&tracker);
    EXPECT_FALSE(session.undo([](const CleanReport&) { return UndoResult{}; },
                              [](const UndoResult&, bool) { ADD_FAILURE() << "nothing to undo"; }));

    cleanWith(session, movedOne("/h/a"));
    tracker.setEmptyingTrash(true);
    EXPECT_FALSE(session.canUndo()) << "an emptying would delete what comes back";
    tracker.setEmptyingTrash(false);
    ASSERT_TRUE(session.canUndo());

    std::optional<qint64> given;
    std::optional<bool> restoringWhenApplied;
    ASSERT_TRUE(session.undo(
        [](const CleanReport& report) {
            return UndoResult{qint64(report.trashed.size()), 0, 1};
        },
        [&](const UndoResult& result, bool) {
            given = result.restored;
            restoringWhenApplied = session.restoring();
        }));
    EXPECT_FALSE(session.hasReport());
    EXPECT_TRUE(session.restoring());
    EXPECT_TRUE(tracker.anyRestoring());
    EXPECT_FALSE(session.canUndo());
    ASSERT_TRUE(settle([&] { return given.has_value(); }));
    EXPECT_EQ(*given, 1);
    EXPECT_EQ(restoringWhenApplied, false);
    EXPECT_FALSE(tracker.anyRestoring());
}

TEST(TrashSession, AShownFailureIsAnnouncedAgainWhileASetNoteOnlyOnChange)
{
    TrashSession session(nullptr);
    QSignalSpy changed(&session, &TrashSession::failureNoteChanged);
    session.showFailure(QStringLiteral("a"));
    session.showFailure(QStringLiteral("a"));
    EXPECT_EQ(changed.count(), 2);
    session.setFailureNote(QStringLiteral("a"));
    EXPECT_EQ(changed.count(), 2);
    session.setFailureNote(QString());
    EXPECT_EQ(changed.count(), 3);

    CleanReport failed;
    failed.failures = {QStringLiteral("b: busy")};
    failed.failureDetails = {CleanFailure{}};
    session.showCleanFailures(QString(), failed, [] { return true; });
    EXPECT_EQ(session.failureNote(), QStringLiteral("1 item couldn't be moved to the Trash.\nb: busy"));
    session.showCleanFailures(QString(), CleanReport{}, [] { return true; });
    EXPECT_EQ(changed.count(), 4) << "a report without failures shows nothing";
}

} // namespace
} // namespace qm
