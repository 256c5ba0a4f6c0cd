#pragma once

#include <QString>

namespace qm {

// The product's display name, as shown in the window title and the About panel.
QString productName();

// The file id of this program's desktop entry without ".desktop", "com.vellora.Quillmere": how the
// program knows its own entry among the desktop's applications.
QString ownDesktopId();

} // namespace qm
