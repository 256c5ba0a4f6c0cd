#include "app/navigation/FilesTool.h"

namespace qm::FilesTools {

QString rawValue(FilesTool tool)
{
    switch (tool) {
    case FilesTool::large:
        return QStringLiteral("Large & Old");
    case FilesTool::duplicates:
        return QStringLiteral("Duplicates");
    }
    return {};
}

std::optional<FilesTool> fromRawValue(const QString& raw)
{
    for (FilesTool tool : allCases) {
        if (rawValue(tool) == raw)
            return tool;
    }
    return std::nullopt;
}

} // namespace qm::FilesTools
