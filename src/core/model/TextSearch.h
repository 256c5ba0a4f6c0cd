#pragma once

#include <QString>
#include <QStringView>

namespace qm::TextSearch {

// The search text of `text`: canonical decomposition (NFD), letter case folded, non-spacing marks
// dropped. Nothing else is touched: compatibility forms (full-width letters, superscripts,
// ligatures) stay distinct from their plain letters, and blanks and punctuation are kept as typed.
// Pure; safe from any thread.
QString fold(QStringView text);

// True when `foldedQuery` occurs in `foldedText`, unit for unit; both must be results of `fold`. An
// empty query occurs everywhere.
bool containsFolded(QStringView foldedText, QStringView foldedQuery);

// True when `query` occurs in `text` regardless of letter case and diacritics ("cafe" in "Café
// Crème", "CAFÉ" in "cafe au lait"). The query is used as given: it is never trimmed, so " " only
// matches where a blank is. Folds both sides on every call; a caller searching many texts folds
// them once and uses `containsFolded`.
bool contains(QStringView text, QStringView query);

} // namespace qm::TextSearch
