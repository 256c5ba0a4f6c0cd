#include "app/qml/design/DisplayText.h"

#include "core/model/Formatting.h"
#include "core/model/JunkKind.h"

#include <cmath>
#include <limits>

namespace qm {
namespace {

// `value` as a whole count: the fraction dropped toward zero, NaN and negatives as 0, and values past
// the 64-bit range as its largest value (a double cannot hold that exactly, so the test is ">=").
qint64 wholeCount(double value)
{
    if (std::isnan(value) || value < 1)
        return 0;
    constexpr double limit = static_cast<double>(std::numeric_limits<qint64>::max());
    if (value >= limit)
        return std::numeric_limits<qint64>::max();
    return static_cast<qint64>(std::trunc(value));
}

} // namespace

DisplayText::DisplayText(QObject* parent) : QObject(parent) {}

QString DisplayText::byteCount(double bytes)
{
    return Formatting::byteCount(wholeCount(bytes));
}

QString DisplayText::memoryByteCount(double bytes)
{
    return Formatting::memoryByteCount(wholeCount(bytes));
}

QString DisplayText::countedNoun(double count, const QString& singular)
{
    return Formatting::countedNoun(wholeCount(count), singular);
}

QString DisplayText::junkKindTitle(const QString& raw)
{
    const std::optional<JunkKind> kind = JunkKinds::fromRaw(raw);
    return kind ? JunkKinds::title(*kind) : QString();
}

} // namespace qm
