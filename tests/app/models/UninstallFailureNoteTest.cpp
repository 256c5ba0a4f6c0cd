#include "app/models/UninstallFailureNote.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(UninstallFailureNoteTest, WordsLeftoversLeftBehindAndAsksForFullDiskAccessOnlyOnADenial)
{
    const CleanFailure denied{Path("/home/u/.var/app/org.example.Tool"), QStringLiteral("org.example.Tool"),
                              QStringLiteral("Permission denied"), true};
    const CleanFailure gone{Path("/home/u/.config/tool"), QStringLiteral("tool"), QStringLiteral("Gone"),
                            false};
    const QString hint = QStringLiteral(
        " Quillmere can only remove what your user may change: fixing that folder's permissions lets it "
        "remove items like this for you next time.");
    const QString protectedText = QStringLiteral("\u201cTool\u201d was removed, but 2 items couldn\u2019t be "
                                                 "trashed automatically: org.example.Tool. It "
                                                 "lives in a protected location (the app\u2019s Flatpak data "
                                                 "folder). Show it in your file manager and "
                                                 "move it to the Trash there to finish removing it.");
    struct Row
    {
        const char* what;
        std::vector<CleanFailure> details;
        bool granted;
        QString text;
        std::optional<Path> reveal;
        bool needsFullDiskAccess;
        int asked;
    };
    const Row rows[] = {
        {"no denial",
         {gone, gone},
         false,
         QStringLiteral("\u201cTool\u201d was removed, but 2 items couldn\u2019t be trashed:\ntool: Gone"),
         std::nullopt,
         false,
         0},
        {"a denial, access granted", {gone, denied}, true, protectedText, denied.url, false, 1},
        {"a denial, access off", {denied, gone}, false, protectedText + hint, denied.url, true, 1},
    };
    for (const Row& row : rows) {
        CleanReport report;
        for (const CleanFailure& failure : row.details) {
            report.failures.push_back(failure.name + QStringLiteral(": ") + failure.reason);
            report.failureDetails.push_back(failure);
        }
        int asked = 0;
        const UninstallFailureNote note = UninstallFailureNote::leftovers(
            UninstallFailureNote::removedButLead(QStringLiteral("Tool")), report, [&] {
                ++asked;
                return row.granted;
            });
        EXPECT_EQ(note.text, row.text) << row.what;
        EXPECT_EQ(note.reveal, row.reveal) << row.what;
        EXPECT_EQ(note.needsFullDiskAccess, std::optional<bool>(row.needsFullDiskAccess)) << row.what;
        EXPECT_EQ(asked, row.asked) << row.what;
    }
}

TEST(UninstallFailureNoteTest, OneItemIsCountedInTheSingularAfterTheLeftoversOnlyLead)
{
    CleanReport report;
    report.failures.push_back(QStringLiteral("tool: Gone"));
    const UninstallFailureNote note = UninstallFailureNote::leftovers(
        UninstallFailureNote::leftoversOnlyLead(QStringLiteral("Tool")), report, [] { return true; });
    EXPECT_EQ(note.text,
              QStringLiteral("Some leftovers of \u201cTool\u201d couldn't be moved to the Trash. 1 item "
                             "couldn\u2019t be trashed:\ntool: Gone"));
}

TEST(UninstallFailureNoteTest, TheApplicationsOwnFailuresPointAtWhatStayed)
{
    const Path itself("/home/u/tools/bin/tool");
    const UninstallFailureNote refused = UninstallFailureNote::notTrashed(QStringLiteral("Tool"), itself, {});
    EXPECT_EQ(refused.text,
              QStringLiteral("\u201cTool\u201d couldn't be moved to the Trash.\nYou may not have "
                             "permission to remove it."));
    EXPECT_EQ(refused.reveal, itself);
    EXPECT_EQ(refused.needsFullDiskAccess, std::nullopt);
    EXPECT_EQ(
        UninstallFailureNote::notTrashed(QStringLiteral("Tool"), itself, QStringLiteral("tool: Busy")).text,
        QStringLiteral("\u201cTool\u201d couldn't be moved to the Trash.\ntool: Busy"));
    const UninstallFailureNote admin = UninstallFailureNote::adminFailed(
        QStringLiteral("Tool"), QStringLiteral("Not allowed"), Path("/opt/tool"));
    EXPECT_EQ(admin.text,
              QStringLiteral("Couldn't uninstall \u201cTool\u201d: Not allowed\nShow it in your file "
                             "manager and remove it there instead."));
    EXPECT_EQ(admin.reveal, Path("/opt/tool"));
    EXPECT_EQ(UninstallFailureNote::ownedByOthers(QStringLiteral("Tool"), itself).reveal, itself);
}

} // namespace
} // namespace qm
