#include "app/models/CleanFailureNote.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(CleanFailureNoteTest, WordsTheCountTheLeadAndTheProtectedItem)
{
    const CleanFailure denied{Path("/home/u/Library/Caches/locked"), QStringLiteral("locked"),
                              QStringLiteral("Permission denied"), true};
    const QString fullDiskAccess = QStringLiteral(
        " Quillmere can only remove what your user may change: fixing that folder's permissions lets it "
        "remove items like this for you next time.");
    struct Row
    {
        const char* lead;
        qint64 n;
        bool withDenied;
        bool granted;
        QString text;
    };
    const Row rows[] = {
        {"", 1, false, true, QStringLiteral("1 item couldn't be moved to the Trash.\nfirst: Gone")},
        {"", 2, false, false, QStringLiteral("2 items couldn't be moved to the Trash.\nfirst: Gone")},
        {"Partly done. ", 3, false, true,
         QStringLiteral("Partly done. 3 items couldn't be moved to the Trash.\nfirst: Gone")},
        {"", 2, true, true,
         QStringLiteral("2 items couldn't be moved to the Trash automatically: locked. It lives in a "
                        "protected location.")},
        {"", 1, true, false,
         QStringLiteral("1 item couldn't be moved to the Trash automatically: locked. It lives in a "
                        "protected location.") +
             fullDiskAccess},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        int asked = 0;
        const CleanFailureNote note =
            CleanFailureNote::word(QString::fromUtf8(row.lead), row.n, QStringLiteral("first: Gone"),
                                   row.withDenied ? std::optional<CleanFailure>(denied) : std::nullopt, [&] {
                                       ++asked;
                                       return row.granted;
                                   });
        EXPECT_EQ(note.text, row.text);
        EXPECT_EQ(note.needsFullDiskAccess, row.withDenied && !row.granted);
        EXPECT_EQ(asked, row.withDenied ? 1 : 0) << "access is asked only about a protected item";
    }
}

} // namespace
} // namespace qm
