#include "app/navigation/QuillmereCommands.h"

namespace qm::QuillmereCommands {

std::optional<QKeySequence> shortcut(int index)
{
    if (index < 0 || index >= 9)
        return std::nullopt;
    return QKeySequence(QKeyCombination(Qt::ControlModifier, static_cast<Qt::Key>(Qt::Key_1 + index)));
}

} // namespace qm::QuillmereCommands
