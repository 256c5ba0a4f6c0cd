#pragma once

#include "app/navigation/TabCatalog.h"

#include <QString>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The Protection page's tabs for QML, where it is the singleton `ProtectionTab`: a tab is named by its
// raw value ("Privacy", "Malware"), which is what the page keeps as its current tab.
class ProtectionTabCatalog : public TabCatalog
{
    Q_OBJECT
    QML_NAMED_ELEMENT(ProtectionTab)
    QML_SINGLETON
    // The raw value of each tab.
    Q_PROPERTY(QString privacy READ privacy CONSTANT)
    Q_PROPERTY(QString malware READ malware CONSTANT)

public:
    explicit ProtectionTabCatalog(QObject* parent = nullptr);

    QString privacy() const;
    QString malware() const;
    // Whether `raw` is exactly a tab's raw value.
    Q_INVOKABLE bool isTab(const QString& raw) const;
};

} // namespace qm
