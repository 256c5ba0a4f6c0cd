#include "app/models/SpaceLensViewModel.h"

#include "app/models/FileToolCleaning.h"
#include "app/models/PostToModel.h"
#include "app/platform/GuiFolderPicker.h"
#include "app/platform/GuiWorkspace.h"
#include "core/model/Formatting.h"
#include "core/permissions/FullDiskAccess.h"
#include "core/spacelens/BubblePacker.h"
#include "core/spacelens/SpaceLensSafety.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <set>
#include <utility>

namespace qm {
namespace {

const QString kChooseMessage = QStringLiteral("Choose a folder to analyze");

// The last name of a folder as shown; "/" for the root itself.
QString lastName(const Path& folder)
{
    const Path name = FileSystem::standardize(folder).filename();
    return name.empty() ? QStringLiteral("/") : FileSystem::displayName(name);
}

} // namespace

SpaceLensViewModel::SpaceLensViewModel(Services services, QObject* parent)
    : QObject(parent), m_clock(services.clock),
      m_scanner(services.scanner ? std::move(*services.scanner) : FileScanner()),
      m_trash(services.trash ? std::move(*services.trash) : Trash()),
      m_fullDiskAccess(std::move(services.fullDiskAccess)), m_picker(std::move(services.folderPicker)),
      m_workspace(std::move(services.workspace)),
      m_ownTracker(services.restoreTracker ? nullptr : std::make_unique<RestoreTracker>()),
      m_tracker(services.restoreTracker ? services.restoreTracker : m_ownTracker.get()),
      m_home(services.home.empty() ? FileSystem::homeDirectory() : services.home),
      m_systemRoot(services.systemRoot.empty() ? Path("/") : services.systemRoot), m_stack{m_home},
      m_entryList(std::make_unique<SizedEntryListModel>()),
      m_layoutList(std::make_unique<SizedEntryListModel>())
{
    if (!m_fullDiskAccess)
        m_fullDiskAccess = [home = m_home, root = m_systemRoot] {
            return FullDiskAccess::isGranted(home, root);
        };
    if (!m_picker)
        m_picker = std::make_shared<GuiFolderPicker>();
    m_fullDiskAccessGranted = m_fullDiskAccess();
}

SpaceLensViewModel::~SpaceLensViewModel()
{
    if (m_passStop)
        m_passStop->request_stop();
}

// ---- derived values ----

Path SpaceLensViewModel::current() const
{
    return m_stack.empty() ? m_home : m_stack.back();
}

std::vector<SelectedItem> SpaceLensViewModel::effectiveSelection() const
{
    std::set<Path::string_type> resolved;
    for (const auto& [key, item] : m_selected)
        resolved.insert(item.resolvedPath.native());
    std::vector<SelectedItem> result;
    for (const auto& [key, item] : m_selected) {
        // Inside another selected item when one of its proper folder prefixes is selected too.
        const Path::string_type& own = item.resolvedPath.native();
        bool inside = false;
        for (std::size_t slash = own.find('/', 1); slash != Path::string_type::npos && !inside;
             slash = own.find('/', slash + 1))
            inside = resolved.contains(own.substr(0, slash));
        if (!inside)
            result.push_back(item);
    }
    std::stable_sort(result.begin(), result.end(), [](const SelectedItem& a, const SelectedItem& b) {
        return a.resolvedPath.native() < b.resolvedPath.native();
    });
    return result;
}

QStringList SpaceLensViewModel::crumbLabels() const
{
    const Path home = FileSystem::standardize(m_home);
    QStringList labels;
    for (const Path& folder : m_stack)
        labels.append(FileSystem::standardize(folder).native() == home.native() ? QStringLiteral("Home")
                                                                                : lastName(folder));
    return labels;
}

QVariantList SpaceLensViewModel::stackUrls() const
{
    QVariantList urls;
    for (const Path& folder : m_stack)
        urls.append(Workspace::fileUrl(folder));
    return urls;
}

QUrl SpaceLensViewModel::currentUrl() const
{
    return Workspace::fileUrl(current());
}

QString SpaceLensViewModel::currentName() const
{
    return lastName(current());
}

QUrl SpaceLensViewModel::homeUrl() const
{
    return Workspace::fileUrl(m_home);
}

double SpaceLensViewModel::progress() const
{
    return m_totalToMeasure < 1 ? 0.0 : double(m_measured) / double(m_totalToMeasure);
}

qint64 SpaceLensViewModel::total() const
{
    qint64 sum = 0;
    for (const SizedEntry& entry : m_entries)
        sum += entry.bytes;
    return sum;
}

int SpaceLensViewModel::unreadableCount() const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const SizedEntry& entry) { return entry.unreadable; }));
}

QString SpaceLensViewModel::totalText() const
{
    const qint64 bytes = total();
    if (bytes < 1 && unreadableCount() != 0)
        return QStringLiteral("\u2014");
    return Formatting::byteCount(bytes);
}

QString SpaceLensViewModel::summaryText() const
{
    QString text = totalText() + QStringLiteral(" \u00b7 ") +
                   Formatting::countedNoun(qint64(m_entries.size()), QStringLiteral("item"));
    if (const int unreadable = unreadableCount(); unreadable != 0)
        text +=
            QStringLiteral(" \u00b7 ") + QString::number(unreadable) + QStringLiteral(" can't be measured");
    return text;
}

QString SpaceLensViewModel::formattedSelected() const
{
    qint64 sum = 0;
    for (const SelectedItem& item : effectiveSelection())
        sum += item.bytes;
    return Formatting::byteCount(sum);
}

QString SpaceLensViewModel::formattedFreed() const
{
    return m_lastReport ? m_lastReport->formattedFreed() : Formatting::byteCount(0);
}

bool SpaceLensViewModel::isRemovable(const Path& path) const
{
    return SpaceLensSafety::isRemovable(path, m_home, m_systemRoot);
}

// ---- setters ----

void SpaceLensViewModel::setShowConfirm(bool show)
{
    if (m_showConfirm == show)
        return;
    m_showConfirm = show;
    emit showConfirmChanged();
}

void SpaceLensViewModel::setFailureNote(const QString& note)
{
    m_failureNote = note;
    // Announced even when the text repeats, so a dismissed alert comes up again.
    emit failureNoteChanged();
}

// ---- operations (filled in with the sizing pass, the removal and the undo) ----

void SpaceLensViewModel::load()
{
    if (m_removing)
        return;
    ++m_generation;
    emit generationChanged();
}

void SpaceLensViewModel::loadIfNeeded()
{
    if (m_entries.empty() && !m_scanning)
        load();
}

void SpaceLensViewModel::refreshFullDiskAccess() {}

void SpaceLensViewModel::open(const SizedEntry& entry)
{
    Q_UNUSED(entry);
}

void SpaceLensViewModel::open(const QString& entryId)
{
    Q_UNUSED(entryId);
}

void SpaceLensViewModel::jump(int index)
{
    Q_UNUSED(index);
}

void SpaceLensViewModel::back() {}

void SpaceLensViewModel::choose() {}

void SpaceLensViewModel::toggleSelect(const SizedEntry& entry)
{
    Q_UNUSED(entry);
}

void SpaceLensViewModel::toggleSelect(const QString& entryId)
{
    Q_UNUSED(entryId);
}

void SpaceLensViewModel::clearSelection() {}

void SpaceLensViewModel::reveal(const QString& entryId)
{
    Q_UNUSED(entryId);
}

void SpaceLensViewModel::confirmRemove() {}

void SpaceLensViewModel::undoLast() {}

} // namespace qm
