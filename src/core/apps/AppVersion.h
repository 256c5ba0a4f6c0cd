#pragma once

#include <QString>

namespace qm::AppVersion {

// The version text worth showing: `raw` without surrounding white space and line breaks, or the
// empty string when nothing is left or when it contains "$" anywhere (an unexpanded build variable
// such as "$(MARKETING_VERSION)").
QString sanitize(const QString& raw);

} // namespace qm::AppVersion
