#include "platform/FolderPicker.h"

namespace qm {

FolderPicker::~FolderPicker() = default;

} // namespace qm
