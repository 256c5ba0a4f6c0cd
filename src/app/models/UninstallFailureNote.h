#pragma once

#include "core/model/CleanReport.h"
#include "platform/FileSystem.h"

#include <QString>

#include <functional>
#include <optional>

namespace qm {

// The sentences the Applications page shows when an uninstall leaves something behind, worded in one
// place. A plain value: the text, the item the page offers to reveal and the Full Disk Access hint;
// it shows nothing itself. Names and texts are used exactly as given, never interpreted.
struct UninstallFailureNote
{
    QString text;
    // The item to offer for revealing; unset leaves the page's current one.
    std::optional<Path> reveal;
    // Whether to show the Full Disk Access hint; unset leaves the page's current one.
    std::optional<bool> needsFullDiskAccess;

    // The application itself (`itself`) did not go to the Trash; `firstFailure` is the first failure's
    // text, empty when the clean reported none.
    static UninstallFailureNote notTrashed(const QString& name, const Path& itself,
                                           const QString& firstFailure);
    // The normal road refused an application another user owns (`item`, the application itself).
    static UninstallFailureNote ownedByOthers(const QString& name, const Path& item);
    // The administrator move of the application at `url` failed with `message`.
    static UninstallFailureNote adminFailed(const QString& name, const QString& message, const Path& url);
    // The leftovers `report` failed to move, after `lead` (`removedButLead` or `leftoversOnlyLead`).
    // A permission denial names its item and asks `fullDiskAccess`, only then; otherwise the first
    // failure's text follows a line break.
    static UninstallFailureNote leftovers(const QString& lead, const CleanReport& report,
                                          const std::function<bool()>& fullDiskAccess);
    // The leads of `leftovers`: the application went; the application stays installed.
    static QString removedButLead(const QString& name);
    static QString leftoversOnlyLead(const QString& name);
    // The sheet's sentence for an application that did not quit when asked.
    static QString quitRefused(const QString& name);
};

} // namespace qm
