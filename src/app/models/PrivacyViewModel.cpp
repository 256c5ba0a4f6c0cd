#include "app/models/PrivacyViewModel.h"

#include "app/models/PostToModel.h"
#include "app/platform/GuiWorkspace.h"
#include "core/apps/RunningApps.h"
#include "core/browsers/BrowserTable.h"
#include "core/cleaning/Cleaner.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/model/Formatting.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <set>
#include <utility>

namespace qm {
namespace {

// Queue priority on the thread pool of what the user is waiting for.
constexpr int kUserInitiatedPriority = 1;

const QString kCacheKind = QStringLiteral("Cache");

CleanReport reportOf(std::vector<TrashedItem> trashed)
{
    return CleanReport{std::move(trashed), {}, {}};
}

// Moves one item back on its own; true when it came back.
bool undoAlone(const Cleaner& cleaner, const TrashedItem& item)
{
    return cleaner.undo(reportOf({item})).restored == 1;
}

} // namespace

PrivacyViewModel::PrivacyViewModel(Services services, QObject* parent)
    : QObject(parent), m_clock(services.clock),
      m_scanner(services.scanner ? std::move(*services.scanner) : PrivacyScanner()),
      m_workspace(std::move(services.workspace)),
      m_trash(services.trash ? std::move(*services.trash) : Trash()), m_session(services.restoreTracker),
      m_groups(std::make_unique<PrivacyGroupListModel>())
{
    // The links speak of the record's items only, so they go with it.
    connect(&m_session, &TrashSession::reportChanged, this, [this] {
        if (!m_session.hasReport())
            m_links.clear();
    });
    connect(&m_session, &TrashSession::reportChanged, this, &PrivacyViewModel::lastReportChanged);
    connect(&m_session, &TrashSession::cleaningChanged, this, &PrivacyViewModel::isCleaningChanged);
    connect(&m_session, &TrashSession::restoringChanged, this, &PrivacyViewModel::restoringChanged);
    connect(&m_session, &TrashSession::canUndoChanged, this, &PrivacyViewModel::canUndoChanged);
    connect(&m_session, &TrashSession::failureNoteChanged, this, &PrivacyViewModel::failureNoteChanged);
    connect(&m_session, &TrashSession::cleanCompletionsChanged, this,
            &PrivacyViewModel::cleanCompletionsChanged);
    connect(&m_session.tracker(), &RestoreTracker::anyRestoringChanged, this,
            &PrivacyViewModel::anyRestoringChanged);
}

PrivacyViewModel::~PrivacyViewModel()
{
    if (m_scanStop)
        m_scanStop->request_stop();
}

Workspace& PrivacyViewModel::workspace()
{
    if (!m_workspace)
        m_workspace = std::make_shared<GuiWorkspace>();
    return *m_workspace;
}

// ---- derived values and texts ----

std::vector<PrivacyItem> PrivacyViewModel::selectedItems() const
{
    std::vector<PrivacyItem> selected;
    std::copy_if(m_items.begin(), m_items.end(), std::back_inserter(selected),
                 [](const PrivacyItem& item) { return item.isSelected; });
    return selected;
}

int PrivacyViewModel::selectedCount() const
{
    return int(std::count_if(m_items.begin(), m_items.end(),
                             [](const PrivacyItem& item) { return item.isSelected; }));
}

QString PrivacyViewModel::formattedSelected() const
{
    qint64 bytes = 0;
    for (const PrivacyItem& item : m_items) {
        if (item.isSelected)
            bytes += item.bytes;
    }
    return bytes > 0 ? Formatting::byteCount(bytes) : QStringLiteral("0 KB");
}

QString PrivacyViewModel::formattedFreed() const
{
    return hasLastReport() ? lastReport()->formattedFreed() : QStringLiteral("0 KB");
}

QString PrivacyViewModel::runningRefusal(std::vector<QString> browsers)
{
    // By code point, not by UTF-16 unit or locale.
    std::sort(browsers.begin(), browsers.end(),
              [](const QString& a, const QString& b) { return a.toUcs4() < b.toUcs4(); });
    browsers.erase(std::unique(browsers.begin(), browsers.end()), browsers.end());
    QStringList names;
    for (const QString& browser : browsers)
        names.append(browser);
    return QStringLiteral("Quit ") + names.join(QStringLiteral(", ")) +
           QStringLiteral(" first \u2014 its history and cookies are in use while it's open.");
}

QString PrivacyViewModel::failureWording(const std::vector<QString>& failures)
{
    if (failures.empty())
        return QString();
    const auto notSafety = std::find_if(failures.begin(), failures.end(), [](const QString& line) {
        return !line.contains(QStringLiteral("safety"), Qt::CaseInsensitive);
    });
    QString note = Formatting::countedNoun(qint64(failures.size()), QStringLiteral("item")) +
                   QStringLiteral(" couldn't be cleared.");
    // Only a refusal of the guard is not the browser's doing.
    if (notSafety != failures.end())
        note += QStringLiteral(" Quit the browser if it's still open \u2014 that locks its data files.");
    return note + QLatin1Char('\n') + (notSafety != failures.end() ? *notSafety : failures.front());
}

// ---- setters ----

void PrivacyViewModel::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged();
}

void PrivacyViewModel::setItems(std::vector<PrivacyItem> items)
{
    m_items = std::move(items);
    m_groups->replace(m_items);
    emit itemsChanged();
    emit selectionChanged();
}

void PrivacyViewModel::setShowConfirm(bool show)
{
    if (m_showConfirm == show)
        return;
    m_showConfirm = show;
    emit showConfirmChanged();
}

void PrivacyViewModel::setFailureNote(const QString& note)
{
    m_session.setFailureNote(note);
}

// ---- scanning and selection ----

void PrivacyViewModel::scan()
{
    if (m_session.cleaning())
        return;
    if (m_scanStop)
        m_scanStop->request_stop();
    const int generation = m_session.advance();

    // A rescan withdraws the undo offer; the failure note stays.
    m_session.withdraw();
    setPhase(Phase::scanning);
    setItems({});

    auto stop = std::make_shared<std::stop_source>();
    m_scanStop = stop;
    const QPointer<PrivacyViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, stop, scanner = m_scanner] {
            auto found = std::make_shared<std::vector<PrivacyItem>>(scanner.scan(stop->get_token()));
            postTo(self, [generation, stop, found](PrivacyViewModel& model) {
                model.applyScan(generation, stop, std::move(*found));
            });
        },
        kUserInitiatedPriority);
}

void PrivacyViewModel::applyScan(int generation, const std::shared_ptr<std::stop_source>& stop,
                                 std::vector<PrivacyItem> items)
{
    if (generation != this->generation() || stop->stop_requested())
        return;
    setItems(std::move(items));
    setPhase(Phase::results);
}

void PrivacyViewModel::toggle(const QString& id)
{
    const QUuid uuid = QUuid::fromString(id);
    if (!uuid.isNull())
        toggle(uuid);
}

void PrivacyViewModel::toggle(const QUuid& id)
{
    const auto found =
        std::find_if(m_items.begin(), m_items.end(), [&](const PrivacyItem& item) { return item.id == id; });
    if (found == m_items.end())
        return;
    std::vector<PrivacyItem> items = m_items;
    PrivacyItem& item = items[std::size_t(found - m_items.begin())];
    item.isSelected = !item.isSelected;
    setItems(std::move(items));
}

// ---- clean ----

std::vector<PrivacyViewModel::Unit> PrivacyViewModel::unitsToClean() const
{
    const FileSystem& fs = m_trash.fileSystem();
    std::vector<Unit> units;
    for (const PrivacyItem& item : m_items) {
        if (!item.isSelected)
            continue;
        Unit unit;
        unit.main.url = item.url;
        unit.main.name = item.browser + QLatin1Char(' ') + item.kind;
        unit.main.bytes = item.bytes;
        unit.main.isSelected = true;
        if (item.kind != kCacheKind) {
            for (const Path& side : PrivacyScanner::sqliteSidecars(item.url)) {
                // An entry of any kind counts, a link included (it is never followed).
                if (!fs.status(side))
                    continue;
                ScanItem sideItem;
                sideItem.url = side;
                sideItem.name = item.browser + QLatin1Char(' ') + FileSystem::displayName(side.filename());
                sideItem.isSelected = true;
                unit.sideFiles.push_back(std::move(sideItem));
            }
        }
        units.push_back(std::move(unit));
    }
    return units;
}

void PrivacyViewModel::confirmClean()
{
    // A clean may have to move a database back out of the Trash, which an emptying would delete.
    if (m_session.cleaning() || m_session.tracker().emptyingTrash())
        return;

    // Only history and cookies are in use while a browser runs; its cache may go.
    std::set<QString> chosenBrowsers;
    for (const PrivacyItem& item : m_items) {
        if (item.isSelected && item.kind != kCacheKind)
            chosenBrowsers.insert(item.browser);
    }
    if (!chosenBrowsers.empty()) {
        const std::vector<RunningApplication> running = workspace().runningApplications();
        std::vector<QString> runningBrowsers;
        for (const QString& browser : chosenBrowsers) {
            const BrowserTable::Row* row = BrowserTable::find(browser);
            if (row && !RunningApps::instancesOf(running, BrowserTable::program(*row)).empty())
                runningBrowsers.push_back(browser);
        }
        if (!runningBrowsers.empty()) {
            // Announced even when the text repeats the last one, so a dismissed alert comes up again.
            m_session.showFailure(runningRefusal(std::move(runningBrowsers)));
            return;
        }
    }

    const std::vector<Unit> units = unitsToClean();
    if (units.empty())
        return;
    // Only a database with side files may have to go back while the clean runs.
    const bool mayPutBack =
        std::any_of(units.begin(), units.end(), [](const Unit& unit) { return !unit.sideFiles.empty(); });
    if (mayPutBack)
        m_session.beginRestoring();

    // Cleans made while the offer is open are undone together. The links are filled on the pool and
    // read once the clean is applied.
    auto links = std::make_shared<SideFileLinks>();
    m_session.clean(
        [units, links, roots = PrivacyScanner::allowedRoots(m_scanner.places()), trash = m_trash] {
            CleanOutcome outcome = cleanUnits(units, roots, trash);
            *links = std::move(outcome.links);
            return std::move(outcome.report);
        },
        [this, links, mayPutBack](const CleanReport& report, bool) {
            applyClean(report, *links, mayPutBack);
        });
}

PrivacyViewModel::CleanOutcome PrivacyViewModel::cleanUnits(const std::vector<Unit>& units,
                                                            const std::vector<Path>& roots,
                                                            const Trash& trash)
{
    const Cleaner cleaner{SafetyGuard(roots), trash};
    // Caches and databases first.
    std::vector<ScanItem> mains;
    mains.reserve(units.size());
    for (const Unit& unit : units)
        mains.push_back(unit.main);
    const CleanReport first = cleaner.clean(mains);

    CleanOutcome outcome;
    outcome.report.failures = first.failures;
    outcome.report.failureDetails = first.failureDetails;
    std::set<QUuid> putBack;
    std::vector<TrashedItem> sideFiles;
    for (const Unit& unit : units) {
        if (unit.sideFiles.empty())
            continue;
        const Path original = FileSystem::standardize(unit.main.url);
        const auto database =
            std::find_if(first.trashed.begin(), first.trashed.end(),
                         [&](const TrashedItem& item) { return item.original == original; });
        // A database that stayed keeps its side files where they are.
        if (database == first.trashed.end())
            continue;

        std::vector<TrashedItem> moved;
        std::optional<std::pair<QString, CleanFailure>> failure;
        for (const ScanItem& side : unit.sideFiles) {
            const CleanReport one = cleaner.clean({side});
            if (one.trashed.empty()) {
                failure.emplace(one.failures.front(), one.failureDetails.front());
                break;
            }
            moved.push_back(one.trashed.front());
        }
        if (failure) {
            // The unit stays whole: its database goes back first, then what of it moved already.
            outcome.report.failures.push_back(failure->first);
            outcome.report.failureDetails.push_back(failure->second);
            if (undoAlone(cleaner, *database)) {
                putBack.insert(database->id);
                // A side file that cannot follow stays in the Trash but out of the report, so no later
                // undo puts an old log beside a database that has changed since.
                for (const TrashedItem& side : moved)
                    (void)undoAlone(cleaner, side);
                continue;
            }
            // The database's place is taken: it and its side files stay in the Trash for Undo.
        }
        if (moved.empty())
            continue;
        std::vector<QUuid>& links = outcome.links[database->id];
        for (const TrashedItem& side : moved)
            links.push_back(side.id);
        sideFiles.insert(sideFiles.end(), moved.begin(), moved.end());
    }
    for (const TrashedItem& item : first.trashed) {
        if (!putBack.contains(item.id))
            outcome.report.trashed.push_back(item);
    }
    outcome.report.trashed.insert(outcome.report.trashed.end(), sideFiles.begin(), sideFiles.end());
    return outcome;
}

void PrivacyViewModel::applyClean(const CleanReport& report, const SideFileLinks& links, bool heldRestore)
{
    if (m_session.hasReport())
        m_links.insert(links.begin(), links.end());
    if (!report.failures.empty())
        m_session.showFailure(failureWording(report.failures));

    // Paths compare byte for byte, as the Trash records them.
    const std::set<Path::string_type> trashed = report.trashedOriginals();
    std::vector<PrivacyItem> items = m_items;
    std::erase_if(items, [&](const PrivacyItem& item) {
        return trashed.contains(FileSystem::standardize(item.url).native());
    });
    if (items.size() != m_items.size())
        setItems(std::move(items));

    if (heldRestore)
        m_session.endRestoring();
}

// ---- undo ----

void PrivacyViewModel::undoLast()
{
    // What it moves back would be deleted under it.
    // What came back is not reported: the rescan shows it. A scan started meanwhile owns the list; a
    // clean under way ignores the rescan.
    m_session.undo(
        [links = m_links, roots = PrivacyScanner::allowedRoots(m_scanner.places()),
         trash = m_trash](const CleanReport& report) {
            undoUnits(report, links, roots, trash);
            return UndoResult{};
        },
        [this](const UndoResult&, bool current) {
            if (current)
                scan();
        });
}

void PrivacyViewModel::undoUnits(const CleanReport& report, const SideFileLinks& links,
                                 const std::vector<Path>& roots, const Trash& trash)
{
    const Cleaner cleaner{SafetyGuard(roots), trash};
    std::set<QUuid> linked;
    for (const auto& [database, sideFiles] : links) {
        linked.insert(database);
        linked.insert(sideFiles.begin(), sideFiles.end());
    }
    std::vector<TrashedItem> others;
    std::copy_if(report.trashed.begin(), report.trashed.end(), std::back_inserter(others),
                 [&](const TrashedItem& item) { return !linked.contains(item.id); });
    if (!others.empty())
        (void)cleaner.undo(reportOf(std::move(others)));

    for (const TrashedItem& database : report.trashed) {
        const auto found = links.find(database.id);
        if (found == links.end())
            continue;
        // Side files only beside their own database: beside a newer one an old log spoils it.
        if (!undoAlone(cleaner, database))
            continue;
        std::vector<TrashedItem> sideFiles;
        for (const TrashedItem& item : report.trashed) {
            if (std::find(found->second.begin(), found->second.end(), item.id) != found->second.end())
                sideFiles.push_back(item);
        }
        (void)cleaner.undo(reportOf(std::move(sideFiles)));
    }
}

} // namespace qm
