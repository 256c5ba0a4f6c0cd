#pragma once

#include "support/TempTree.h"

#include <QByteArray>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

// One sysfs attribute of a power supply: its file name and content (a newline is added).
using SupplyAttribute = std::pair<std::string, QByteArray>;

// A power supply as the kernel shows it under `tree`: a device folder below sys/devices holding one
// file per attribute, linked from sys/class/power_supply/`name`. Returns the device folder, so a test
// can put odd things (a FIFO, a huge file) in place of an attribute.
std::filesystem::path addPowerSupply(TempTree& tree, const std::string& name,
                                     const std::vector<SupplyAttribute>& attributes);

} // namespace qm::test
