#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <array>
#include <cstddef>

namespace qm {

// What a page's catalog of tabs (or tools) gives QML, where each is a singleton: the raw values in the
// page's order, and whether a text is exactly one of them (case-sensitive, no trimming). A subclass
// names each raw value as a property of its own. It holds nothing but the list.
class TabCatalog : public QObject
{
    Q_OBJECT
    QML_ANONYMOUS
    // The raw values in the page's order.
    Q_PROPERTY(QStringList allCases READ allCases CONSTANT)

public:
    QStringList allCases() const { return m_raws; }

protected:
    // `all` in the page's order and `rawValue` of each.
    template <typename Case, std::size_t N, typename RawValue>
    TabCatalog(const std::array<Case, N>& all, RawValue rawValue, QObject* parent) : QObject(parent)
    {
        for (const Case value : all)
            m_raws.append(rawValue(value));
    }

    // Whether `raw` is exactly one of the raw values.
    bool names(const QString& raw) const { return m_raws.contains(raw); }

private:
    QStringList m_raws;
};

} // namespace qm
