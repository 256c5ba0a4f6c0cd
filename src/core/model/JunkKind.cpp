#include "core/model/JunkKind.h"

namespace qm::JunkKinds {

QString toRaw(JunkKind kind)
{
    switch (kind) {
    case JunkKind::userCaches:
        return QStringLiteral("userCaches");
    case JunkKind::logs:
        return QStringLiteral("logs");
    case JunkKind::savedState:
        return QStringLiteral("savedState");
    case JunkKind::developerCaches:
        return QStringLiteral("developerCaches");
    case JunkKind::appLeftovers:
        return QStringLiteral("appLeftovers");
    }
    Q_UNREACHABLE();
}

std::optional<JunkKind> fromRaw(const QString& raw)
{
    for (JunkKind kind : all) {
        if (toRaw(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

QString title(JunkKind kind)
{
    switch (kind) {
    case JunkKind::userCaches:
        return QStringLiteral("User Caches");
    case JunkKind::logs:
        return QStringLiteral("Application Logs");
    case JunkKind::savedState:
        return QStringLiteral("Saved App State");
    case JunkKind::developerCaches:
        return QStringLiteral("Developer Caches");
    case JunkKind::appLeftovers:
        return QStringLiteral("App Leftovers");
    }
    Q_UNREACHABLE();
}

std::vector<JunkKind> smartScanKinds()
{
    return {JunkKind::userCaches, JunkKind::logs, JunkKind::savedState};
}

} // namespace qm::JunkKinds
