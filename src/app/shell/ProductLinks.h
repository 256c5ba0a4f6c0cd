#pragma once

#include <QString>
#include <QUrl>

namespace qm::ProductLinks {

// The product's support page, parsed once on first use.
const QUrl& supportURL();
// The product's user guide, parsed once on first use.
const QUrl& guideURL();
// The page that lists the product's releases, where "Check for Updates…" leads.
const QUrl& releasesURL();

// The About panel's credits as plain text: "Support: " and the support address, a line break, then
// "User guide: " and the guide address.
QString aboutCredits();
// The same text as rich text for a label: each address a link to itself, escaped for markup, the two
// lines separated by a line break.
QString aboutCreditsHtml();

} // namespace qm::ProductLinks
