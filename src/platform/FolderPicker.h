#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <functional>
#include <optional>

namespace qm {

// The single-folder chooser of the file tools and the space lens. `choose` returns at once and
// answers later, on the GUI thread, with the chosen folder or nothing when the user cancels; it never
// blocks, so a caller checks its own state again when the answer comes. The program passes a
// `GuiFolderPicker`, tests a `FakeFolderPicker`. Used on the GUI thread only.
class FolderPicker
{
public:
    // The chosen folder (raw bytes), or nothing when the chooser was cancelled.
    using Answer = std::function<void(const std::optional<Path>& folder)>;

    virtual ~FolderPicker();

    // Shows a chooser titled `message`, opening at `start` (the home folder when absent), that picks
    // folders only, and calls `answer` once when it closes. A chooser still open when another is
    // asked for is abandoned without an answer.
    virtual void choose(const QString& message, const std::optional<Path>& start, Answer answer) = 0;
};

} // namespace qm
