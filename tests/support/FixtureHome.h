#pragma once

#include "platform/Places.h"
#include "support/TempTree.h"

#include <QByteArray>

#include <array>
#include <filesystem>
#include <optional>

namespace qm::test {

// A fixture home folder: a TempTree that, while it lives, is this test process's HOME, with
// XDG_DATA_HOME = <home>/.local/share, XDG_CONFIG_HOME = <home>/.config and XDG_CACHE_HOME =
// <home>/.cache. Those three folders are not created (a test may need them missing); folder() makes
// them. The destructor restores every variable to its old value (or unset) and removes the tree.
// Environment changes are process-wide: keep one FixtureHome at a time and no threads reading the
// environment while it is made or destroyed.
class FixtureHome : public TempTree
{
public:
    FixtureHome();
    ~FixtureHome();

    // The home folder: the same as root().
    const std::filesystem::path& home() const { return root(); }
    // <home>/.local/share, <home>/.config and <home>/.cache, whether or not they exist yet.
    std::filesystem::path dataHome() const;
    std::filesystem::path configHome() const;
    std::filesystem::path cacheHome() const;
    // <home>/.local/state, the state home's default (no variable names it here).
    std::filesystem::path stateHome() const;

    // The places of this home as this platform lays them out: the environment holds exactly the three
    // variables above, user-dirs.dirs is read from configHome() when a test wrote one, and system places
    // lie under `systemRoot` (a fixture tree of its own, or "/" where no system place is read). Reads
    // nothing of the process environment.
    Places places(const std::filesystem::path& systemRoot = "/") const;

private:
    static constexpr std::array<const char*, 4> kVariables = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                                              "XDG_CACHE_HOME"};
    std::array<std::optional<QByteArray>, 4> m_saved;
};

} // namespace qm::test
