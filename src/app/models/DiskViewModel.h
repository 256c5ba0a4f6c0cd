#pragma once

#include "core/disk/DiskUsageReport.h"
#include "core/disk/DiskUsageScanner.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <optional>
#include <stop_token>

namespace qm {

class Workspace;

// The model of the Disk page: runs the disk usage scan off the GUI thread, publishes the latest
// report with every text the page shows, lays the folders out as a treemap for the page's map area
// and shows a folder in the file manager. A rescan keeps the last report until the new one lands; a
// report that belongs to an older scan is dropped. Removes nothing. Lives on the GUI thread.
class DiskViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the Disk model")
    // A disk scan has started and not finished.
    Q_PROPERTY(bool scanning READ scanning NOTIFY stateChanged)
    // A scan is running or none has finished yet: true from the start.
    Q_PROPERTY(bool loading READ loading NOTIFY stateChanged)
    // The number of the newest scan; 0 before the first.
    Q_PROPERTY(int generation READ generation NOTIFY stateChanged)
    // A report has been published.
    Q_PROPERTY(bool hasReport READ hasReport NOTIFY reportChanged)
    // The report's categories, largest first, "System & Other" included: one map each with `name`,
    // `bytes`, `color`, `symbol`, `hasFolder`, `sizeText` (the byte text), `share` ("42%", "<1%",
    // "—"), `sizeLine` ("12 GB · 42%") and `helpText`. Empty before the first report.
    Q_PROPERTY(QVariantList categories READ categories NOTIFY reportChanged)
    // The categories that have a folder (the treemap's tiles), in report order, as the same maps.
    Q_PROPERTY(QVariantList actionable READ actionable NOTIFY reportChanged)
    // The volume in bytes, and its texts: "412 GB", "88 GB", "500 GB".
    Q_PROPERTY(qint64 totalUsed READ totalUsed NOTIFY reportChanged)
    Q_PROPERTY(qint64 free READ free NOTIFY reportChanged)
    Q_PROPERTY(qint64 total READ total NOTIFY reportChanged)
    Q_PROPERTY(QString totalUsedText READ totalUsedText NOTIFY reportChanged)
    Q_PROPERTY(QString freeText READ freeText NOTIFY reportChanged)
    Q_PROPERTY(QString totalText READ totalText NOTIFY reportChanged)
    // The report may be short or double-counted: the page shows its note.
    Q_PROPERTY(bool incomplete READ incomplete NOTIFY reportChanged)

public:
    // What the model works on; every member left empty means the real one.
    struct Services
    {
        // The scanner (default: the current user's home folder and "/").
        std::optional<DiskUsageScanner> scanner = std::nullopt;
        // Shows a folder in the file manager (default: the desktop's).
        std::shared_ptr<Workspace> workspace = nullptr;
    };

    explicit DiskViewModel(Services services, QObject* parent = nullptr);
    // Stops a running scan; its result is dropped.
    ~DiskViewModel() override;

    bool scanning() const { return m_scanning; }
    bool loading() const { return m_loading; }
    int generation() const { return m_generation; }
    const std::optional<DiskUsageReport>& report() const { return m_report; }
    bool hasReport() const { return m_report.has_value(); }
    QVariantList categories() const { return m_categories; }
    QVariantList actionable() const { return m_actionable; }
    qint64 totalUsed() const { return m_report ? m_report->totalUsed : 0; }
    qint64 free() const { return m_report ? m_report->free : 0; }
    qint64 total() const { return m_report ? m_report->total : 0; }
    QString totalUsedText() const;
    QString freeText() const;
    QString totalText() const;
    bool incomplete() const { return m_report && m_report->incomplete; }

    // Starts a disk usage scan unless one is running; returns at once.
    Q_INVOKABLE void load();
    // The treemap of the actionable categories' bytes in a map area of `width` × `height` (logical
    // pixels, origin at the area's top-left): one map with `x`, `y`, `width`, `height` per entry of
    // `actionable`, in the same order.
    Q_INVOKABLE QVariantList tileFrames(double width, double height) const;
    // Shows the folder of the category `name` selected in the file manager, as listed (links not
    // resolved). A category without a folder, or an unknown name, does nothing.
    Q_INVOKABLE void reveal(const QString& name);

    // The share of `part` in `total` as the page writes it: "—" when total is below 1, "<1%" below
    // one percent, else the rounded percentage (halves away from zero), at most "100%".
    static QString percentText(qint64 part, qint64 total);
    // The help text of a category: "<name>: <bytes> — <share> of used space", with ". Click to show
    // in your file manager." when it has a folder.
    static QString helpText(const DiskCategory& category, qint64 totalUsed);

signals:
    void stateChanged();
    // A report different from the one before was published.
    void reportChanged();

private:
    void applyScan(int generation, DiskUsageReport report);

    DiskUsageScanner m_scanner;
    std::shared_ptr<Workspace> m_workspace;
    std::optional<DiskUsageReport> m_report;
    QVariantList m_categories;
    QVariantList m_actionable;
    std::shared_ptr<std::stop_source> m_scanStop;
    bool m_scanning = false;
    bool m_loading = true;
    int m_generation = 0;
};

} // namespace qm
