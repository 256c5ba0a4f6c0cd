#pragma once

#include "app/models/SystemThreatPlaces.h"
#include "core/helper/HelperClient.h"
#include "core/malware/SystemThreatRemovalPlan.h"
#include "core/malware/ThreatFinding.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

namespace qm {

// The malware tab's removal of a system-level launch item through the privileged helper: which
// findings offer it, the finding awaiting its confirmation, the removal running and the notice on the
// last one. Owned by the malware model, which publishes each value as a property of its own and edits
// its list when a removal succeeds. There is no undo. Lives on the GUI thread.
class SystemThreatRemoval : public QObject
{
    Q_OBJECT

public:
    // The removal plan for the system-level finding at `finding` (its path as the scan gave it).
    // Called on the GUI thread.
    using PlanMaker = std::function<SystemThreatRemovalPlan(const Path& finding)>;
    // Told the helper's answer on `finding` once the removal is no longer running.
    using Finished = std::function<void(const ThreatFinding& finding, const HelperClient::Answer& answer)>;

    // `planMaker` empty means SystemThreatRemovalPlan::make for the finding's system path, reading under
    // `systemRoot`.
    SystemThreatRemoval(const Path& systemRoot, PlanMaker planMaker, QObject* parent = nullptr);

    // Held weakly: null until set, and null again once the client is gone.
    HelperClient* helper() const { return m_helper.data(); }
    void setHelper(HelperClient* helper);

    const SystemThreatPlaces& places() const { return m_places; }
    // A helper is set and installed, and the finding needs it (SystemThreatPlaces::needsHelper).
    bool canRemove(const ThreatFinding& finding) const;

    const std::optional<ThreatFinding>& pending() const { return m_pending; }
    bool removing() const { return m_removing; }
    const std::optional<QUuid>& removingID() const { return m_removingID; }
    const std::optional<QString>& lastName() const { return m_lastName; }
    const std::optional<QString>& lastNote() const { return m_lastNote; }

    // Puts an eligible finding up for confirmation; ignored while a removal runs.
    void request(const ThreatFinding& finding);
    // Nothing is pending any more.
    void cancel();
    // Has the helper remove the pending finding for good and calls `finished` with its answer. Ignored
    // without a pending finding, an installed helper, or while a removal runs. Returns the sentence to
    // show when no plan names anything to remove (nothing is started then), otherwise nothing.
    std::optional<QString> confirm(Finished finished);
    // Shows the notice for the successful removal of `finding`, with the helper's words when they
    // mention a process still running.
    void noteRemoved(const ThreatFinding& finding, const QString& helperMessage);
    // Clears the last removal's notice.
    void dismissNotice();

signals:
    void pendingChanged();
    void removingChanged();
    void removingIDChanged();
    void lastNameChanged();
    void lastNoteChanged();
    // The helper was set, went away or changed its state: `canRemove` may answer otherwise.
    void helperStatusChanged();

private:
    bool helperInstalled() const;
    void setPending(std::optional<ThreatFinding> finding);
    void setRemoving(bool removing, std::optional<QUuid> id);
    void setLast(std::optional<QString> name, std::optional<QString> note);

    SystemThreatPlaces m_places;
    PlanMaker m_planMaker;
    QPointer<HelperClient> m_helper;
    std::optional<ThreatFinding> m_pending;
    bool m_removing = false;
    std::optional<QUuid> m_removingID;
    std::optional<QString> m_lastName;
    std::optional<QString> m_lastNote;
};

} // namespace qm
