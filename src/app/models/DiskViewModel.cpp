#include "app/models/DiskViewModel.h"

#include "app/platform/GuiWorkspace.h"
#include "core/disk/Treemap.h"
#include "core/model/Formatting.h"
#include "platform/Workspace.h"

#include <QColor>
#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QVariantMap>

#include <cmath>

namespace qm {
namespace {

// The scan is what the user is waiting for; it goes ahead of background refreshes on the pool.
constexpr int kUserInitiatedPriority = 1;

QVariantMap categoryMap(const DiskCategory& category, qint64 totalUsed)
{
    const QString size = Formatting::byteCount(category.bytes);
    const QString share = DiskViewModel::percentText(category.bytes, totalUsed);
    return QVariantMap{
        {QStringLiteral("name"), category.name},
        {QStringLiteral("bytes"), category.bytes},
        {QStringLiteral("color"), QColor::fromRgb(QRgb(category.colorHex & 0xFFFFFFu))},
        {QStringLiteral("symbol"), category.symbol},
        {QStringLiteral("hasFolder"), category.url.has_value()},
        {QStringLiteral("sizeText"), size},
        {QStringLiteral("share"), share},
        {QStringLiteral("sizeLine"), size + QStringLiteral(" \u00b7 ") + share},
        {QStringLiteral("helpText"), DiskViewModel::helpText(category, totalUsed)},
    };
}

} // namespace

DiskViewModel::DiskViewModel(Services services, QObject* parent)
    : QObject(parent), m_scanner(services.scanner ? std::move(*services.scanner) : DiskUsageScanner()),
      m_workspace(std::move(services.workspace))
{}

DiskViewModel::~DiskViewModel()
{
    if (m_scanStop)
        m_scanStop->request_stop();
}

QString DiskViewModel::totalUsedText() const
{
    return Formatting::byteCount(totalUsed());
}

QString DiskViewModel::freeText() const
{
    return Formatting::byteCount(free());
}

QString DiskViewModel::totalText() const
{
    return Formatting::byteCount(total());
}

QString DiskViewModel::percentText(qint64 part, qint64 total)
{
    if (total < 1)
        return QStringLiteral("\u2014");
    const double pct = double(part) / double(total) * 100.0;
    if (pct < 1)
        return QStringLiteral("<1%");
    // std::round rounds halves away from zero.
    return QString::number(qint64(std::min(std::round(pct), 100.0))) + QStringLiteral("%");
}

QString DiskViewModel::helpText(const DiskCategory& category, qint64 totalUsed)
{
    QString text = category.name + QStringLiteral(": ") + Formatting::byteCount(category.bytes) +
                   QStringLiteral(" \u2014 ") + percentText(category.bytes, totalUsed) +
                   QStringLiteral(" of used space");
    if (category.url)
        text += QStringLiteral(". Click to show in your file manager.");
    return text;
}

void DiskViewModel::load()
{
    if (m_scanning)
        return;
    m_scanning = true;
    const int generation = ++m_generation;
    m_loading = true;
    emit stateChanged();

    auto stop = std::make_shared<std::stop_source>();
    m_scanStop = stop;
    const QPointer<DiskViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, stop, scanner = m_scanner] {
            auto report = std::make_shared<DiskUsageReport>(scanner.scan(stop->get_token()));
            // Queued on the application object, which outlives every model; the job never touches
            // the model itself.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, generation, report] {
                    if (self)
                        self->applyScan(generation, std::move(*report));
                },
                Qt::QueuedConnection);
        },
        kUserInitiatedPriority);
}

void DiskViewModel::applyScan(int generation, DiskUsageReport report)
{
    m_scanning = false;
    if (generation != m_generation) {
        emit stateChanged();
        return;
    }
    m_loading = false;
    if (m_report != report) {
        m_categories.clear();
        m_actionable.clear();
        for (const DiskCategory& category : report.categories) {
            const QVariantMap map = categoryMap(category, report.totalUsed);
            m_categories.append(map);
            if (category.url)
                m_actionable.append(map);
        }
        m_report = std::move(report);
        emit reportChanged();
    }
    emit stateChanged();
}

QVariantList DiskViewModel::tileFrames(double width, double height) const
{
    std::vector<double> weights;
    if (m_report) {
        for (const DiskCategory& category : m_report->categories) {
            if (category.url)
                weights.push_back(double(category.bytes));
        }
    }
    QVariantList out;
    for (const Treemap::Rect& r : Treemap::layout(weights, Treemap::Rect{0, 0, width, height})) {
        out.append(QVariantMap{{QStringLiteral("x"), r.x},
                               {QStringLiteral("y"), r.y},
                               {QStringLiteral("width"), r.width},
                               {QStringLiteral("height"), r.height}});
    }
    return out;
}

void DiskViewModel::reveal(const QString& name)
{
    if (!m_report)
        return;
    for (const DiskCategory& category : m_report->categories) {
        if (category.name != name || !category.url)
            continue;
        if (!m_workspace)
            m_workspace = std::make_shared<GuiWorkspace>();
        m_workspace->reveal(*category.url);
        return;
    }
}

} // namespace qm
