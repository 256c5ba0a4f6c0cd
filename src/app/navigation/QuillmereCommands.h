#pragma once

#include <QKeySequence>

#include <optional>

namespace qm::QuillmereCommands {

// The keyboard shortcut of the "Go" menu item at zero-based `index`: Ctrl (the Command key of this
// platform) with the digit index + 1 for the first nine items, nothing for the rest. A negative index
// names no item and has no shortcut.
std::optional<QKeySequence> shortcut(int index);

} // namespace qm::QuillmereCommands
