#include "app/shell/ProductLinks.h"

namespace qm::ProductLinks {
namespace {

QString link(const QUrl& url)
{
    const QString text = url.toString().toHtmlEscaped();
    return QStringLiteral("<a href=\"") + text + QStringLiteral("\">") + text + QStringLiteral("</a>");
}

} // namespace

const QUrl& supportURL()
{
    static const QUrl url(QStringLiteral("https://vellora.com/quillmere/support"), QUrl::StrictMode);
    return url;
}

const QUrl& guideURL()
{
    static const QUrl url(QStringLiteral("https://vellora.com/quillmere/guide"), QUrl::StrictMode);
    return url;
}

const QUrl& releasesURL()
{
    static const QUrl url(QStringLiteral("https://vellora.com/quillmere/releases"), QUrl::StrictMode);
    return url;
}

QString aboutCredits()
{
    return QStringLiteral("Support: ") + supportURL().toString() + QLatin1Char('\n') +
           QStringLiteral("User guide: ") + guideURL().toString();
}

QString aboutCreditsHtml()
{
    return QStringLiteral("Support: ") + link(supportURL()) + QStringLiteral("<br>") +
           QStringLiteral("User guide: ") + link(guideURL());
}

} // namespace qm::ProductLinks
