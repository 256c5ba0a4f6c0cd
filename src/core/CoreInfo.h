#pragma once

#include <QString>

namespace qm {

// The product's display name, as shown in the window title and the About panel.
QString productName();

// The code-signing identifier this program's build carries, "com.vellora.app": how the program knows
// its own bundle among the installed applications.
QString ownBundleIdentifier();

} // namespace qm
