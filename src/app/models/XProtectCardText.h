#pragma once

#include "core/malware/XProtectStatus.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

namespace qm {

class MalwareViewModel;

// The words and the warning state of the malware tab's XProtect card, read from a malware model's
// XProtect status and its clock. Recomputed whenever the model publishes a new status (each time the
// screen appears it asks for one); it does not tick on its own. Holds no status of its own.
class XProtectCardText : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(MalwareViewModel* model READ model WRITE setModel NOTIFY changed)
    // The model holds a status: the card is shown.
    Q_PROPERTY(bool present READ present NOTIFY changed)
    // More than 45 days (3,888,000 s, strictly) since the install date; never without one.
    Q_PROPERTY(bool stale READ stale NOTIFY changed)
    Q_PROPERTY(QString summary READ summary NOTIFY changed)
    Q_PROPERTY(QString caption READ caption NOTIFY changed)

public:
    // Seconds past the install date beyond which the definitions count as stale.
    static constexpr qint64 kStaleSeconds = 3'888'000;

    explicit XProtectCardText(QObject* parent = nullptr);

    MalwareViewModel* model() const { return m_model.data(); }
    void setModel(MalwareViewModel* model);
    bool present() const { return m_status.has_value(); }
    bool stale() const { return m_stale; }
    QString summary() const { return m_summary; }
    QString caption() const { return m_caption; }

    // "Apple XProtect v" and the version, then " · updated " and the install date in the medium date
    // style without time (ICU, "Jan 5, 2025" in en_US) when there is one. `locale` and `timeZone` are
    // ICU identifiers; null means the process's defaults.
    static QString summaryOf(const XProtectStatus& status, const char* locale = nullptr,
                             const QString& timeZone = QString());
    // The install date lies strictly more than 45 days before `now`.
    static bool isStale(const XProtectStatus& status, const QDateTime& now);

signals:
    void changed();

private:
    void refresh();

    QPointer<MalwareViewModel> m_model;
    QMetaObject::Connection m_connection;
    std::optional<XProtectStatus> m_status;
    bool m_stale = false;
    QString m_summary;
    QString m_caption;
};

} // namespace qm
