#pragma once

#include <QString>

namespace qm {

// The product's display name, as shown in the window title and the About panel.
QString productName();

} // namespace qm
