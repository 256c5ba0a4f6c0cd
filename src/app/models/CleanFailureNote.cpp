#include "app/models/CleanFailureNote.h"

#include "core/model/Formatting.h"

namespace qm {

CleanFailureNote CleanFailureNote::word(const QString& lead, qint64 n, const QString& first,
                                        const std::optional<CleanFailure>& permissionDenied,
                                        const std::function<bool()>& fullDiskAccess)
{
    const QString counted = lead + Formatting::countedNoun(n, QStringLiteral("item"));
    CleanFailureNote note;
    if (permissionDenied) {
        const bool granted = fullDiskAccess();
        note.needsFullDiskAccess = !granted;
        note.text = counted + QStringLiteral(" couldn't be moved to the Trash automatically: ") +
                    permissionDenied->name + QStringLiteral(". It lives in a protected location.");
        if (!granted) {
            note.text +=
                QStringLiteral(" Quillmere can only remove what your user may change: fixing that folder's "
                               "permissions lets it remove items like this for you next time.");
        }
    } else {
        note.text = counted + QStringLiteral(" couldn't be moved to the Trash.") + QLatin1Char('\n') + first;
    }
    return note;
}

} // namespace qm
