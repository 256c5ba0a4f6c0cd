#include "app/models/XProtectCardText.h"

#include "app/models/MalwareViewModel.h"
#include "platform/Clock.h"

#include <unicode/udat.h>
#include <unicode/ustring.h>

#include <memory>

namespace qm {
namespace {

// The date of `when` in ICU's medium date style without time; empty when ICU refuses.
QString mediumDate(const QDateTime& when, const char* locale, const QString& timeZone)
{
    UErrorCode status = U_ZERO_ERROR;
    const auto* zone = timeZone.isEmpty() ? nullptr : reinterpret_cast<const UChar*>(timeZone.utf16());
    const int32_t zoneLength = timeZone.isEmpty() ? -1 : int32_t(timeZone.size());
    std::unique_ptr<UDateFormat, void (*)(UDateFormat*)> format(
        udat_open(UDAT_NONE, UDAT_MEDIUM, locale, zone, zoneLength, nullptr, -1, &status), udat_close);
    if (U_FAILURE(status) || !format)
        return {};
    UChar buffer[128];
    status = U_ZERO_ERROR;
    const int32_t length = udat_format(format.get(), UDate(when.toMSecsSinceEpoch()), buffer,
                                       int32_t(std::size(buffer)), nullptr, &status);
    if (U_FAILURE(status) || length <= 0 || length > int32_t(std::size(buffer)))
        return {};
    return QString(reinterpret_cast<const QChar*>(buffer), length);
}

} // namespace

XProtectCardText::XProtectCardText(QObject* parent) : QObject(parent) {}

void XProtectCardText::setModel(MalwareViewModel* model)
{
    if (m_model == model)
        return;
    QObject::disconnect(m_connection);
    m_model = model;
    if (model)
        m_connection = connect(model, &MalwareViewModel::xprotectChanged, this, &XProtectCardText::refresh);
    refresh();
}

QString XProtectCardText::summaryOf(const XProtectStatus& status, const char* locale, const QString& timeZone)
{
    QString text = QStringLiteral("Apple XProtect v") + QString::number(status.version);
    if (status.installed) {
        const QString date = mediumDate(*status.installed, locale, timeZone);
        if (!date.isEmpty())
            text += QStringLiteral(" \u00b7 updated ") + date;
    }
    return text;
}

bool XProtectCardText::isStale(const XProtectStatus& status, const QDateTime& now)
{
    return status.installed && status.installed->secsTo(now) > kStaleSeconds;
}

void XProtectCardText::refresh()
{
    m_status = m_model ? m_model->xprotect() : std::nullopt;
    m_stale = false;
    m_summary.clear();
    m_caption.clear();
    if (m_status) {
        const QDateTime now = m_model->clock().now();
        m_stale = isStale(*m_status, now);
        m_summary = summaryOf(*m_status);
        m_caption =
            m_stale
                ? QStringLiteral("XProtect hasn't updated in ") +
                      QString::number(m_status->daysSinceInstalled(now).value_or(0)) +
                      QStringLiteral(
                          " days. Turn on \u201cInstall Security Responses and system files\u201d in "
                          "System Settings \u2192 General \u2192 Software Update (\u24d8).")
                : QStringLiteral("Apple's built-in malware protection. macOS keeps it current automatically; "
                                 "Quillmere adds its own checks on top.");
    }
    emit changed();
}

} // namespace qm
