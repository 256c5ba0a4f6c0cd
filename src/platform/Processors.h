#pragma once

namespace qm {

// How many processors this process may run on.
class Processors
{
public:
    // The processors in this process's affinity mask (the machine's count when the mask cannot be
    // read), at least 1. Reads the mask on every call; it does not follow later changes by itself.
    static int count();
};

} // namespace qm
