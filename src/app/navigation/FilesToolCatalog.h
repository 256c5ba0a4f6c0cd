#pragma once

#include "app/navigation/TabCatalog.h"

#include <QString>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The Files page's tools for QML, where it is the singleton `FilesTool`: tools are named by their raw
// value ("Large & Old", "Duplicates"). It holds no state.
class FilesToolCatalog : public TabCatalog
{
    Q_OBJECT
    QML_NAMED_ELEMENT(FilesTool)
    QML_SINGLETON
    // The raw value of each tool.
    Q_PROPERTY(QString large READ large CONSTANT)
    Q_PROPERTY(QString duplicates READ duplicates CONSTANT)

public:
    explicit FilesToolCatalog(QObject* parent = nullptr);

    QString large() const;
    QString duplicates() const;

    // Whether `raw` is exactly a tool's raw value; any other text names no tool.
    Q_INVOKABLE bool isTool(const QString& raw) const;
};

} // namespace qm
