#include "support/PowerSupplyFixture.h"

namespace qm::test {

std::filesystem::path addPowerSupply(TempTree& tree, const std::string& name,
                                     const std::vector<SupplyAttribute>& attributes)
{
    const std::filesystem::path device = "sys/devices/platform/supplies/power_supply/" + name;
    const std::filesystem::path folder = tree.folder(device);
    for (const auto& [attribute, value] : attributes)
        tree.fileWithContent(device / attribute, value + '\n');
    tree.folder("sys/class/power_supply");
    tree.symlink("../../devices/platform/supplies/power_supply/" + name, "sys/class/power_supply/" + name);
    return folder;
}

} // namespace qm::test
