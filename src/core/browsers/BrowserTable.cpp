#include "core/browsers/BrowserTable.h"

#include <algorithm>

namespace qm {
namespace {

BrowserTable::Row chromium(const char* name, const char* folder, const char* flatpakId,
                           std::vector<std::string> executables)
{
    return {QString::fromUtf8(name), BrowserTable::Family::chromium, folder, QString::fromLatin1(flatpakId),
            std::move(executables)};
}

BrowserTable::Row absent(const char* name)
{
    return {QString::fromUtf8(name), BrowserTable::Family::absent, {}, {}, {}};
}

} // namespace

const std::vector<BrowserTable::Row>& BrowserTable::rows()
{
    static const std::vector<Row> table{
        chromium("Google Chrome", "google-chrome", "com.google.Chrome", {"chrome"}),
        chromium("Brave", "BraveSoftware/Brave-Browser", "com.brave.Browser", {"brave"}),
        chromium("Microsoft Edge", "microsoft-edge", "com.microsoft.Edge", {"msedge"}),
        absent("Arc"),
        chromium("Vivaldi", "vivaldi", "com.vivaldi.Vivaldi", {"vivaldi-bin"}),
        chromium("Chromium", "chromium", "org.chromium.Chromium", {"chromium"}),
        Row{QStringLiteral("Firefox"),
            Family::firefox,
            {},
            QStringLiteral("org.mozilla.firefox"),
            {"firefox", "firefox-esr", "firefox-bin"}},
        absent("Safari"),
    };
    return table;
}

const BrowserTable::Row* BrowserTable::find(const QString& name)
{
    const auto& table = rows();
    const auto found =
        std::find_if(table.begin(), table.end(), [&](const Row& row) { return row.name == name; });
    return found == table.end() ? nullptr : &*found;
}

ProgramIdentity BrowserTable::program(const Row& row)
{
    ProgramIdentity identity{row.executables, {}};
    if (!row.flatpakId.isEmpty())
        identity.flatpakIds.push_back(row.flatpakId);
    return identity;
}

std::vector<BrowserTable::Install> BrowserTable::installs(const Row& row, const Places& places)
{
    const Path sandbox = places.flatpakAppData() / row.flatpakId.toStdString();
    switch (row.family) {
    case Family::chromium:
        return {{places.configHome() / row.folder, places.cacheHome() / row.folder},
                {sandbox / "config" / row.folder, sandbox / "cache" / row.folder}};
    case Family::firefox:
        return {{places.home() / ".mozilla/firefox", places.cacheHome() / "mozilla/firefox"},
                {sandbox / ".mozilla/firefox", sandbox / "cache/mozilla/firefox"}};
    case Family::absent:
        break;
    }
    return {};
}

std::vector<Path> BrowserTable::allowedRoots(const Places& places)
{
    std::vector<Path> roots;
    const auto add = [&roots](const Path& root) {
        if (std::find(roots.begin(), roots.end(), root) == roots.end())
            roots.push_back(root);
    };
    for (const Row& row : rows()) {
        for (const Install& install : installs(row, places)) {
            add(install.dataFolder);
            // A Chromium cache item is the cache folder itself, a Firefox one a folder inside it.
            add(row.family == Family::chromium ? install.cacheFolder.parent_path() : install.cacheFolder);
        }
    }
    return roots;
}

} // namespace qm
