#pragma once

#include "platform/PowerSources.h"

namespace qm::test {

// A power-source seam that answers with the maps a test put in `maps` (both absent at first). Not
// safe to change while another thread reads it.
class FakePowerSources final : public PowerSources
{
public:
    PowerSourceMaps maps;

    PowerSourceMaps read() const override { return maps; }
};

} // namespace qm::test
