#pragma once

#include "core/helper/HelperClient.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

namespace qm {

// What the Performance page's maintenance card shows and starts: the badge and footer for the helper
// client's registration state, the action that runs and the result line of the last one. One action
// at a time: `run` while one runs changes nothing. The result line is "✓ " or "✕ ", the action's
// title, " — " and the helper client's message as it came. Nothing cancels a running action; its
// result is dropped when the runner is gone. Lives on the GUI thread.
class MaintenanceRunner : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    // The helper client that runs the actions and whose state the badge and footer follow.
    Q_PROPERTY(qm::HelperClient* helper READ helper WRITE setHelper NOTIFY helperChanged)
    // The id (HelperActions::id) of the action whose request is out; empty while none is.
    Q_PROPERTY(QString runningAction READ runningAction NOTIFY runningActionChanged)
    // The result line of the last action; empty before the first and while one runs.
    Q_PROPERTY(QString helperMessage READ helperMessage NOTIFY helperMessageChanged)
    // "notInstalled", "requiresApproval", "installed" or "unavailable" (no helper: "notInstalled").
    Q_PROPERTY(QString statusKind READ statusKind NOTIFY statusChanged)
    Q_PROPERTY(QString badgeText READ badgeText NOTIFY statusChanged)
    Q_PROPERTY(QString badgeSymbol READ badgeSymbol NOTIFY statusChanged)
    // How the actions will run in this state; for `unavailable` it ends with the helper's message.
    Q_PROPERTY(QString footerText READ footerText NOTIFY statusChanged)

public:
    explicit MaintenanceRunner(QObject* parent = nullptr);

    HelperClient* helper() const { return m_helper; }
    void setHelper(HelperClient* helper);
    QString runningAction() const { return m_running; }
    QString helperMessage() const { return m_message; }
    QString statusKind() const;
    QString badgeText() const;
    QString badgeSymbol() const;
    QString footerText() const;

    // The ids of the actions this system offers, in order (HelperActions::available).
    Q_INVOKABLE QStringList availableActions() const;
    // An action's `symbol`, `title` and `subtitle` by id; empty for an unknown id.
    Q_INVOKABLE QVariantMap describe(const QString& id) const;
    // The title of an action ("Free up memory", "Flush DNS cache", "Run maintenance scripts").
    static QString title(HelperAction action);
    // Starts the action `id`: nothing while one runs, without a helper or for an unknown id.
    Q_INVOKABLE void run(const QString& id);

signals:
    void helperChanged();
    void runningActionChanged();
    void helperMessageChanged();
    void statusChanged();

private:
    void finish(const QString& line);

    QPointer<HelperClient> m_helper;
    QString m_running;
    QString m_message;
};

} // namespace qm
