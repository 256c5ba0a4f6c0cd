#pragma once

#include "platform/SoftwareUpdater.h"

namespace qm::test {

// An update service that only counts what it was asked to do.
class FakeSoftwareUpdater final : public SoftwareUpdater
{
public:
    void start() override { ++m_starts; }
    void checkForUpdates() override { ++m_checks; }

    // How many times `start` and `checkForUpdates` were called.
    int starts() const { return m_starts; }
    int checks() const { return m_checks; }

private:
    int m_starts = 0;
    int m_checks = 0;
};

} // namespace qm::test
