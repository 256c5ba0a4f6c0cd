#include "app/models/SystemThreatRemoval.h"

#include <utility>

namespace qm {
namespace {

const QString kNoPlanSentence = QStringLiteral(
    "Couldn't determine what to remove for this item \u2014 use Reveal to show it in your file manager "
    "and remove it manually.");

} // namespace

SystemThreatRemoval::SystemThreatRemoval(const Path& systemRoot, PlanMaker planMaker, QObject* parent)
    : QObject(parent), m_places(systemRoot), m_planMaker(std::move(planMaker))
{
    if (!m_planMaker) {
        m_planMaker = [places = m_places, root = systemRoot](const Path& finding) {
            return SystemThreatRemovalPlan::make(places.systemPath(finding), FileSystem(), root);
        };
    }
}

void SystemThreatRemoval::setHelper(HelperClient* helper)
{
    if (m_helper)
        disconnect(m_helper, nullptr, this, nullptr);
    m_helper = helper;
    if (helper) {
        connect(helper, &HelperClient::statusChanged, this, &SystemThreatRemoval::helperStatusChanged);
        connect(helper, &QObject::destroyed, this, &SystemThreatRemoval::helperStatusChanged);
    }
    emit helperStatusChanged();
}

bool SystemThreatRemoval::helperInstalled() const
{
    return m_helper && m_helper->status() == HelperClient::Status::installed;
}

bool SystemThreatRemoval::canRemove(const ThreatFinding& finding) const
{
    return helperInstalled() && m_places.needsHelper(finding);
}

void SystemThreatRemoval::request(const ThreatFinding& finding)
{
    if (!canRemove(finding) || m_removing)
        return;
    setPending(finding);
}

void SystemThreatRemoval::cancel()
{
    setPending(std::nullopt);
}

std::optional<QString> SystemThreatRemoval::confirm(Finished finished)
{
    if (!m_pending || !helperInstalled() || m_removing)
        return std::nullopt;
    const ThreatFinding finding = *m_pending;
    setPending(std::nullopt);

    const SystemThreatRemovalPlan plan = m_planMaker(finding.url);
    if (plan.paths.empty())
        return kNoPlanSentence;
    setRemoving(true, finding.id);
    const QPointer<SystemThreatRemoval> self(this);
    // The client may answer a refusal before this call returns; the flags above are set by then.
    // No job is named by a label here: the helper stops a unit by its file's name.
    m_helper->removeSystemThreat(
        QString(), plan.paths,
        [self, finding, finished = std::move(finished)](const HelperClient::Answer& answer) {
            if (!self)
                return;
            self->setRemoving(false, std::nullopt);
            finished(finding, answer);
        });
    return std::nullopt;
}

void SystemThreatRemoval::noteRemoved(const ThreatFinding& finding, const QString& helperMessage)
{
    // The helper says so when it had to leave a process running; that is worth showing.
    const bool mentionsRunning = helperMessage.contains(QStringLiteral("running"), Qt::CaseInsensitive);
    setLast(finding.threat, mentionsRunning ? std::optional<QString>(helperMessage) : std::nullopt);
}

void SystemThreatRemoval::dismissNotice()
{
    setLast(std::nullopt, std::nullopt);
}

void SystemThreatRemoval::setPending(std::optional<ThreatFinding> finding)
{
    if (!m_pending && !finding)
        return;
    m_pending = std::move(finding);
    emit pendingChanged();
}

void SystemThreatRemoval::setRemoving(bool removing, std::optional<QUuid> id)
{
    if (m_removing != removing) {
        m_removing = removing;
        emit removingChanged();
    }
    if (m_removingID != id) {
        m_removingID = id;
        emit removingIDChanged();
    }
}

void SystemThreatRemoval::setLast(std::optional<QString> name, std::optional<QString> note)
{
    if (m_lastName != name) {
        m_lastName = std::move(name);
        emit lastNameChanged();
    }
    if (m_lastNote != note) {
        m_lastNote = std::move(note);
        emit lastNoteChanged();
    }
}

} // namespace qm
