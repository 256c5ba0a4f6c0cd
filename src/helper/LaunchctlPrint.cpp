#include "helper/LaunchctlPrint.h"

#include <QByteArrayList>
#include <QByteArrayView>

namespace qm::LaunchctlPrint {

std::optional<std::string> registeredPath(const QByteArray& output)
{
    if (!QByteArrayView(output).isValidUtf8())
        return std::nullopt;
    constexpr QByteArrayView marker("path = ");
    const QList<QByteArray> lines = output.split('\n');
    for (const QByteArray& whole : lines) {
        QByteArrayView line(whole);
        while (!line.isEmpty() && (line.front() == ' ' || line.front() == '\t'))
            line = line.sliced(1);
        while (!line.isEmpty() && (line.back() == ' ' || line.back() == '\t'))
            line.chop(1);
        if (line.startsWith(marker))
            return line.sliced(marker.size()).toByteArray().toStdString();
    }
    return std::nullopt;
}

} // namespace qm::LaunchctlPrint
