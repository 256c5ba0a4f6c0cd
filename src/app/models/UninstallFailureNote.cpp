#include "app/models/UninstallFailureNote.h"

namespace qm {
namespace {

const QString kLeftQuote = QStringLiteral("\u201c");
const QString kRightQuote = QStringLiteral("\u201d");

} // namespace

UninstallFailureNote UninstallFailureNote::notTrashed(const QString& name, const Path& itself,
                                                      const QString& firstFailure)
{
    return {kLeftQuote + name + QStringLiteral("\u201d couldn't be moved to the Trash.\n") +
                (firstFailure.isEmpty() ? QStringLiteral("You may not have permission to remove it.")
                                        : firstFailure),
            itself, std::nullopt};
}

UninstallFailureNote UninstallFailureNote::ownedByOthers(const QString& name, const Path& item)
{
    return {kLeftQuote + name +
                QStringLiteral("\u201d is owned by the system or its package manager, so Quillmere can't "
                               "move it to the Trash without administrator rights. Show it in your file "
                               "manager and remove it there, or uninstall it with your package manager "
                               "\u2014 the system will ask for your password."),
            item, std::nullopt};
}

UninstallFailureNote UninstallFailureNote::adminFailed(const QString& name, const QString& message,
                                                       const Path& url)
{
    return {QStringLiteral("Couldn't uninstall \u201c") + name + kRightQuote + QStringLiteral(": ") +
                message + QStringLiteral("\nShow it in your file manager and remove it there instead."),
            url, std::nullopt};
}

UninstallFailureNote UninstallFailureNote::leftovers(const QString& lead, const CleanReport& report,
                                                     const std::function<bool()>& fullDiskAccess)
{
    const qint64 n = qint64(report.failures.size());
    const QString counted =
        QString::number(n) + QLatin1Char(' ') + (n == 1 ? QStringLiteral("item") : QStringLiteral("items"));
    const std::vector<CleanFailure> denied = report.permissionDenied();
    if (denied.empty()) {
        return {lead + counted + QStringLiteral(" couldn\u2019t be trashed:\n") +
                    (report.failures.empty() ? QString() : report.failures.front()),
                std::nullopt, false};
    }
    const bool granted = fullDiskAccess();
    QString text = lead + counted + QStringLiteral(" couldn\u2019t be trashed automatically: ") +
                   denied.front().name +
                   QStringLiteral(". It lives in a protected location (the app\u2019s Flatpak data folder). "
                                  "Show it in your file manager and move it to the Trash there to finish "
                                  "removing it.");
    if (!granted) {
        text += QStringLiteral(" Quillmere can only remove what your user may change: fixing that folder's "
                               "permissions lets it remove items like this for you next time.");
    }
    return {text, denied.front().url, !granted};
}

QString UninstallFailureNote::removedButLead(const QString& name)
{
    return kLeftQuote + name + kRightQuote + QStringLiteral(" was removed, but ");
}

QString UninstallFailureNote::leftoversOnlyLead(const QString& name)
{
    return QStringLiteral("Some leftovers of \u201c") + name + kRightQuote +
           QStringLiteral(" couldn't be moved to the Trash. ");
}

QString UninstallFailureNote::quitRefused(const QString& name)
{
    return name + QStringLiteral(" didn't quit, so nothing was removed. If it asked to save changes, finish "
                                 "that, then try again.");
}

} // namespace qm
