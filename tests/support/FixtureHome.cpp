#include "support/FixtureHome.h"

#include <QtGlobal>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

QByteArray bytes(const fs::path& path)
{
    return QByteArray::fromStdString(path.native());
}

} // namespace

FixtureHome::FixtureHome()
{
    for (size_t i = 0; i < kVariables.size(); ++i) {
        if (qEnvironmentVariableIsSet(kVariables[i]))
            m_saved[i] = qgetenv(kVariables[i]);
    }
    qputenv("HOME", bytes(home()));
    qputenv("XDG_DATA_HOME", bytes(dataHome()));
    qputenv("XDG_CONFIG_HOME", bytes(configHome()));
    qputenv("XDG_CACHE_HOME", bytes(cacheHome()));
}

FixtureHome::~FixtureHome()
{
    for (size_t i = 0; i < kVariables.size(); ++i) {
        if (m_saved[i])
            qputenv(kVariables[i], *m_saved[i]);
        else
            qunsetenv(kVariables[i]);
    }
}

fs::path FixtureHome::dataHome() const
{
    return home() / ".local" / "share";
}

fs::path FixtureHome::configHome() const
{
    return home() / ".config";
}

fs::path FixtureHome::cacheHome() const
{
    return home() / ".cache";
}

fs::path FixtureHome::stateHome() const
{
    return home() / ".local" / "state";
}

Places FixtureHome::places(const fs::path& systemRoot) const
{
    const Places::Environment environment{{"XDG_DATA_HOME", dataHome().native()},
                                          {"XDG_CONFIG_HOME", configHome().native()},
                                          {"XDG_CACHE_HOME", cacheHome().native()}};
    return Places::resolve(home(), environment, systemRoot);
}

} // namespace qm::test
