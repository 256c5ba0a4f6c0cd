#pragma once

#include <QString>

namespace qm::AppVersion {

// The version text worth showing: `raw` without surrounding white space and line breaks, or the
// empty string when nothing is left or when it contains "$" anywhere (an unexpanded build variable
// such as "$(MARKETING_VERSION)").
QString sanitize(const QString& raw);

// The upstream part of a Debian package version ("[epoch:]upstream[-revision]"): everything up to
// and including the first ":" is dropped, and everything from the last "-" on. "8:6.9.11.60+dfsg-1.6"
// gives "6.9.11.60+dfsg"; a version with neither stays as it is. Only for versions the package
// database records, never a Flatpak's or an AppImage's own.
QString debianUpstream(const QString& version);

} // namespace qm::AppVersion
