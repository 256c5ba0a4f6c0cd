#include "core/apps/DesktopAppScanner.h"

#include "core/apps/AppVersion.h"
#include "core/xdg/DesktopEntry.h"
#include "platform/BoundedReader.h"

#include <QCollator>
#include <QFileInfo>
#include <QLocale>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>
#include <set>

namespace qm {
namespace {

const Path kApplications("applications");
const Path kExports("exports/share");

bool isHidden(const Path& name)
{
    const std::string& text = name.native();
    return !text.empty() && text.front() == '.';
}

bool endsWith(const std::string& text, std::string_view suffix)
{
    return text.size() > suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// `path` lies strictly below `folder` (both standardised, compared byte for byte).
bool isBelow(const Path& path, const Path& folder)
{
    const std::string p = FileSystem::standardize(path).native();
    std::string f = FileSystem::standardize(folder).native();
    if (!f.empty() && f.back() != '/')
        f += '/';
    return p.size() > f.size() && p.compare(0, f.size(), f) == 0;
}

// Programs that only start another one: the program name is the one they start.
bool isLauncher(const QString& name)
{
    static const std::set<QString> launchers{QStringLiteral("env"),    QStringLiteral("sh"),
                                             QStringLiteral("bash"),   QStringLiteral("flatpak"),
                                             QStringLiteral("exec"),   QStringLiteral("python3"),
                                             QStringLiteral("python"), QStringLiteral("java"),
                                             QStringLiteral("gjs"),    QStringLiteral("xdg-open")};
    return launchers.contains(name);
}

// The first release version a Flatpak's metainfo names, or empty.
QString metainfoVersion(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1String("release")) {
            return reader.attributes().value(QLatin1String("version")).toString();
        }
    }
    return {};
}

} // namespace

struct DesktopAppScanner::Walk
{
    std::stop_token stop;
    std::set<QString> seenIds; // desktop file ids, first wins
    std::vector<InstalledApp> apps;
    std::vector<Path> programs; // parallel to apps: the resolved program, or empty
    std::vector<Path> roots;    // parallel to apps: the entry folder the entry came from
    bool complete = true;
    std::size_t entries = 0;
};

DesktopAppScanner::DesktopAppScanner(Places places, std::shared_ptr<const PackageDatabase> packages,
                                     QString localeName, QString iconTheme)
    : m_places(std::move(places)),
      m_packages(packages ? std::move(packages) : std::make_shared<DpkgDatabase>(m_places.systemRoot())),
      m_locale(localeName.isEmpty() ? QLocale::system().name() : std::move(localeName)),
      m_iconTheme(std::move(iconTheme))
{}

std::vector<Path> DesktopAppScanner::entryFolders() const
{
    std::vector<Path> bases{m_places.dataHome()};
    const std::vector<Path>& dirs = m_places.dataDirs();
    for (const Path& exports : {m_places.userFlatpak() / kExports, m_places.systemFlatpak() / kExports}) {
        if (std::find(dirs.begin(), dirs.end(), exports) == dirs.end())
            bases.push_back(exports);
    }
    bases.insert(bases.end(), dirs.begin(), dirs.end());
    std::vector<Path> folders;
    for (const Path& base : bases) {
        Path folder = FileSystem::standardize(base / kApplications);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    }
    return folders;
}

void DesktopAppScanner::readFolder(const Path& root, const Path& folder, const QString& prefix, int depth,
                                   Walk& walk) const
{
    const FileSystem fs;
    // The exports of a Flatpak installation are links into its deployments; the folders themselves
    // are not, so no linked folder is entered.
    const auto listing = fs.list(folder, kMaxEntries);
    if (!listing) {
        if (fs.exists(folder))
            walk.complete = false;
        return;
    }
    if (listing->truncated)
        walk.complete = false;
    std::vector<Path> names = listing->names;
    std::sort(names.begin(), names.end());
    for (const Path& name : names) {
        if (walk.stop.stop_requested()) {
            walk.complete = false;
            return;
        }
        if (isHidden(name) || ++walk.entries > kMaxEntries)
            continue;
        const Path file = folder / name;
        const QString fileName = QString::fromUtf8(name.native());
        if (!endsWith(name.native(), ".desktop")) {
            const auto status = fs.status(file);
            if (status && status->isDirectory() && !status->isSymlink() && depth < 3)
                readFolder(root, file, prefix + fileName + QLatin1Char('-'), depth + 1, walk);
            continue;
        }
        const QString fileId = prefix + fileName;
        if (walk.seenIds.contains(fileId))
            continue;
        const auto bytes = readBoundedFollowingLinks(file, DesktopEntry::kMaxBytes);
        if (!bytes) {
            // A dangling export (an uninstalled Flatpak's) is no application; a denial may hide one.
            if (!bytes.error().isPosix(ENOENT))
                walk.complete = false;
            continue;
        }
        const auto entry = DesktopEntry::parse(*bytes);
        if (!entry)
            continue; // not an entry: the desktop ignores it, and so a later one of that id counts
        walk.seenIds.insert(fileId);
        if (entry->string(QStringLiteral("Type")) != QLatin1String("Application") ||
            entry->boolean(QStringLiteral("NoDisplay")).value_or(false) ||
            entry->boolean(QStringLiteral("Hidden")).value_or(false))
            continue;

        InstalledApp app;
        app.url = file;
        app.desktopId = fileId.chopped(8);
        const QString language = m_locale.section(QLatin1Char('_'), 0, 0);
        std::optional<QString> appName;
        for (const QString& key :
             {QStringLiteral("Name[") + m_locale + QLatin1Char(']'),
              QStringLiteral("Name[") + language + QLatin1Char(']'), QStringLiteral("Name")}) {
            if ((appName = entry->string(key)))
                break;
        }
        app.name = appName.value_or(app.desktopId);
        app.iconName = entry->string(QStringLiteral("Icon")).value_or(QString());
        app.handlesAppstream = entry->stringList(QStringLiteral("MimeType"))
                                   .contains(QStringLiteral("x-scheme-handler/appstream"));
        app.version =
            AppVersion::sanitize(entry->string(QStringLiteral("X-AppImage-Version")).value_or(QString()));
        app.flatpakId = entry->string(QStringLiteral("X-Flatpak")).value_or(QString());
        if (app.flatpakId.isEmpty() &&
            (isBelow(root, m_places.userFlatpak()) || isBelow(root, m_places.systemFlatpak())))
            app.flatpakId = app.desktopId;

        Path program;
        // Whether the program the entry starts is there: its TryExec, or else the program of Exec (the
        // Desktop Entry Specification's rule). One that cannot be named counts as there.
        std::optional<bool> programThere;
        if (const auto tryExec = entry->string(QStringLiteral("TryExec")); tryExec && !tryExec->isEmpty()) {
            const QByteArray raw = tryExec->toUtf8();
            if (raw.startsWith('/') || !raw.contains('/'))
                programThere = !programPath(raw).empty();
        }
        if (const auto args = entry->execArguments(file)) {
            QStringList words = *args;
            // "env VAR=value program …" and "pkexec program …" start the program; a shell or Flatpak
            // command names none.
            static const QStringList prefixes{QStringLiteral("env"), QStringLiteral("pkexec"),
                                              QStringLiteral("sudo")};
            while (!words.isEmpty() && (prefixes.contains(QFileInfo(words.front()).fileName()) ||
                                        words.front().contains(QLatin1Char('='))))
                words.removeFirst();
            if (!words.isEmpty() && !isLauncher(QFileInfo(words.front()).fileName())) {
                const QByteArray raw = words.front().toUtf8();
                app.programName = QFileInfo(words.front()).fileName();
                if (raw.startsWith('/') || !raw.contains('/')) {
                    program = programPath(raw);
                    if (!programThere)
                        programThere = !program.empty();
                }
            }
        }
        // A Flatpak's entry is there while the Flatpak is.
        if (!app.flatpakId.isEmpty()) {
            const std::string id = app.flatpakId.toStdString();
            programThere = id.find('/') == std::string::npos && id != "." && id != ".." &&
                           (fs.exists(m_places.userFlatpak() / "app" / id) ||
                            fs.exists(m_places.systemFlatpak() / "app" / id));
        }
        if (!programThere.value_or(true))
            continue; // a launcher whose program is gone: no installed application
        app.bundleID = app.flatpakId.isEmpty() ? app.desktopId : app.flatpakId;
        walk.apps.push_back(std::move(app));
        walk.programs.push_back(std::move(program));
        walk.roots.push_back(root);
    }
}

Path DesktopAppScanner::programPath(const QByteArray& program) const
{
    const FileSystem fs;
    if (program.isEmpty() || program.contains('\0'))
        return {};
    if (program.startsWith('/')) {
        const Path absolute(program.toStdString());
        const Path file = isBelow(absolute, m_places.home()) ? absolute : m_places.system(absolute);
        return fs.exists(file) ? file : Path();
    }
    if (program.contains('/') || program == "." || program == "..")
        return {};
    for (const Path& dir :
         {m_places.home() / ".local/bin", m_places.system("usr/local/bin"), m_places.system("usr/bin"),
          m_places.system("bin"), m_places.system("usr/games")}) {
        if (fs.exists(dir / program.toStdString()))
            return dir / program.toStdString();
    }
    return {};
}

std::optional<Path> DesktopAppScanner::iconFile(const QString& icon) const
{
    if (icon.isEmpty() || icon.contains(QChar(0)))
        return std::nullopt;
    const FileSystem fs;
    const auto drawable = [&](const Path& file) {
        const auto status = fs.status(file);
        return status && status->isRegular() && (file.extension() == ".png" || file.extension() == ".svg");
    };
    if (icon.startsWith(QLatin1Char('/'))) {
        const Path absolute(icon.toStdString());
        const Path file = isBelow(absolute, m_places.home()) ? absolute : m_places.system(absolute);
        if (drawable(file))
            return file;
        return std::nullopt;
    }
    if (icon.contains(QLatin1Char('/')) || icon.startsWith(QLatin1Char('.')))
        return std::nullopt;
    // Some entries name the file ("editor.png") where a theme name is meant.
    QString base = icon;
    if (base.endsWith(QLatin1String(".png")) || base.endsWith(QLatin1String(".svg")))
        base.chop(4);
    const std::string name = base.toStdString();
    const auto firstOf = [&](const Path& folder, bool vectorFirst) -> std::optional<Path> {
        for (const char* suffix : {vectorFirst ? ".svg" : ".png", vectorFirst ? ".png" : ".svg"}) {
            if (const Path file = folder / (name + suffix); drawable(file))
                return file;
        }
        return std::nullopt;
    };

    // The icon theme lookup: the current theme, then hicolor, which every desktop falls back to; in
    // each, the scalable folder first (drawn at any size), then the sized ones, largest first; then
    // the pixmaps.
    std::vector<Path> bases{m_places.home() / ".icons", m_places.dataHome() / "icons"};
    for (const Path& folder : entryFolders())
        bases.push_back(folder.parent_path() / "icons");
    QStringList themes;
    if (!m_iconTheme.isEmpty() && !m_iconTheme.contains(QLatin1Char('/')) &&
        !m_iconTheme.startsWith(QLatin1Char('.')) && !m_iconTheme.contains(QChar(0)) &&
        m_iconTheme != QLatin1String("hicolor"))
        themes.push_back(m_iconTheme);
    themes.push_back(QStringLiteral("hicolor"));
    static const char* const sizes[] = {"512x512", "256x256", "192x192", "128x128", "96x96", "72x72",
                                        "64x64",   "48x48",   "32x32",   "24x24",   "22x22", "16x16"};
    for (const QString& theme : themes) {
        const std::string themeName = theme.toStdString();
        for (const Path& root : bases) {
            if (const auto file = firstOf(root / themeName / "scalable/apps", true))
                return file;
        }
        for (const char* size : sizes) {
            for (const Path& root : bases) {
                if (const auto file = firstOf(root / themeName / size / "apps", false))
                    return file;
            }
        }
    }
    std::vector<Path> pixmaps{m_places.dataHome() / "pixmaps"};
    for (const Path& folder : entryFolders())
        pixmaps.push_back(folder.parent_path() / "pixmaps");
    for (const Path& folder : pixmaps) {
        if (const auto file = firstOf(folder, false))
            return file;
    }
    return std::nullopt;
}

void DesktopAppScanner::finish(Walk& walk) const
{
    const FileSystem fs;
    const Path& root = m_places.systemRoot();
    const bool rootIsSlash = FileSystem::standardize(root) == Path("/");
    // The path the package manager records for a file under the system root.
    const auto recorded = [&](const Path& file) -> std::optional<Path> {
        if (rootIsSlash)
            return FileSystem::standardize(file);
        if (!isBelow(file, root))
            return std::nullopt;
        const std::string r = FileSystem::standardize(root).native();
        return Path(FileSystem::standardize(file).native().substr(r.size() == 1 ? 0 : r.size()));
    };

    std::vector<Path> asked;
    for (std::size_t i = 0; i < walk.apps.size(); ++i) {
        if (const auto p = recorded(walk.apps[i].url))
            asked.push_back(*p);
        if (!walk.programs[i].empty())
            if (const auto p = recorded(walk.programs[i]))
                asked.push_back(*p);
    }
    const std::map<Path, InstalledPackage> owners = m_packages->owners(asked);
    const auto ownerOf = [&](const Path& file) -> std::optional<InstalledPackage> {
        const auto p = recorded(file);
        if (!p)
            return std::nullopt;
        const auto found = owners.find(*p);
        return found == owners.end() ? std::nullopt : std::optional<InstalledPackage>(found->second);
    };

    // AppImages in ~/Applications; one an entry launches is that entry's application.
    std::set<std::string> launchedImages;
    const Path images = m_places.userApplications();
    for (std::size_t i = 0; i < walk.apps.size(); ++i) {
        InstalledApp& app = walk.apps[i];
        const Path& program = walk.programs[i];
        if (!app.flatpakId.isEmpty()) {
            const bool user = isBelow(walk.roots[i], m_places.userFlatpak()) ||
                              fs.exists(m_places.userFlatpak() / "app" / app.flatpakId.toStdString());
            const Path install = user ? m_places.userFlatpak() : m_places.systemFlatpak();
            app.origin = user ? AppOrigin::userFlatpak : AppOrigin::systemFlatpak;
            const Path deployment = install / "app" / app.flatpakId.toStdString();
            app.sizeRoots = {deployment};
            const Path share = deployment / "current/active/files/share";
            for (const char* folder : {"metainfo", "appdata"}) {
                for (const char* suffix : {".metainfo.xml", ".appdata.xml"}) {
                    const auto xml = readBoundedFollowingLinks(
                        share / folder / (app.flatpakId.toStdString() + suffix), kMaxMetainfoBytes);
                    if (xml && app.version.isEmpty())
                        app.version = AppVersion::sanitize(metainfoVersion(*xml));
                }
            }
            continue;
        }
        if (const auto package = ownerOf(app.url)) {
            app.origin = AppOrigin::debianPackage;
            app.packageName = package->name;
            app.version = AppVersion::sanitize(AppVersion::debianUpstream(package->version));
            continue;
        }
        if (!program.empty() && isBelow(program, m_places.home())) {
            const bool image = isBelow(program, images);
            app.origin = image ? AppOrigin::appImage : AppOrigin::homeFile;
            if (isBelow(app.url, m_places.home())) {
                app.removal = {program, app.url};
            } else {
                app.origin = AppOrigin::other; // a system entry for a user's program: not ours to move
            }
            if (image)
                launchedImages.insert(FileSystem::standardize(program).native());
            app.sizeRoots = app.removal;
            continue;
        }
        if (!program.empty()) {
            if (const auto package = ownerOf(program)) {
                app.origin = AppOrigin::debianPackage;
                app.packageName = package->name;
                app.version = AppVersion::sanitize(AppVersion::debianUpstream(package->version));
                continue;
            }
            const Path opt = m_places.optionalSoftware();
            if (isBelow(program, opt)) {
                const std::string rest = FileSystem::standardize(program).native().substr(
                    FileSystem::standardize(opt).native().size() + 1);
                const Path top = opt / rest.substr(0, rest.find('/'));
                const auto status = fs.status(top);
                if (status && !status->isSymlink() && status->owner != ::getuid()) {
                    app.origin = AppOrigin::administrator;
                    app.removal = {top};
                    app.sizeRoots = {top};
                    continue;
                }
            }
        }
        app.origin =
            isBelow(app.url, m_places.home()) && program.empty() ? AppOrigin::homeFile : AppOrigin::other;
        if (app.origin == AppOrigin::homeFile) {
            app.removal = {app.url};
            app.sizeRoots = app.removal;
        }
    }

    for (InstalledApp& app : walk.apps)
        app.icon = iconFile(app.iconName);

    if (const auto listing = fs.list(images, kMaxEntries)) {
        std::vector<Path> names = listing->names;
        std::sort(names.begin(), names.end());
        for (const Path& name : names) {
            const std::string& text = name.native();
            if (isHidden(name) || !(endsWith(text, ".AppImage") || endsWith(text, ".appimage")))
                continue;
            const Path file = images / name;
            if (launchedImages.contains(FileSystem::standardize(file).native()))
                continue;
            const auto status = fs.status(file);
            if (!status || !(status->isRegular() || status->isSymlink()))
                continue;
            InstalledApp app;
            app.url = file;
            app.name = FileSystem::displayName(Path(text.substr(0, text.size() - 9)));
            app.origin = AppOrigin::appImage;
            app.programName = FileSystem::displayName(name);
            app.removal = {file};
            app.sizeRoots = {file};
            walk.apps.push_back(std::move(app));
        }
    } else if (fs.exists(images)) {
        walk.complete = false;
    }
}

AppScanner::Listing DesktopAppScanner::listApps(std::stop_token stop) const
{
    Walk walk;
    walk.stop = std::move(stop);
    for (const Path& folder : entryFolders())
        readFolder(folder, folder, {}, 0, walk);
    finish(walk);

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(walk.apps.begin(), walk.apps.end(), [&](const InstalledApp& a, const InstalledApp& b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return AppScanner::Listing{std::move(walk.apps), walk.complete};
}

qint64 DesktopAppScanner::measure(const InstalledApp& app, const CleanupScanner& sizer,
                                  std::stop_token stop) const
{
    qint64 total = 0;
    if (app.origin == AppOrigin::debianPackage) {
        const FileSystem fs;
        std::set<std::pair<quint64, quint64>> seen;
        for (const Path& file : m_packages->filesOf(app.packageName)) {
            if (stop.stop_requested())
                break;
            const auto status = fs.status(m_places.system(file));
            if (status && status->isRegular() && seen.insert({status->id.device, status->id.inode}).second)
                total += status->allocated;
        }
        return total;
    }
    for (const Path& root : app.sizeRoots)
        total += sizer.size(root, {}, CleanupScanner::kNodeLimit, false, CleanupScanner::kDeadlineSeconds,
                            nullptr, stop);
    return total;
}

} // namespace qm
