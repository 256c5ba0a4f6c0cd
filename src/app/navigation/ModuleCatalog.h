#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The module table for QML, where it is the singleton `QuillmereModule`: modules are named by their id
// (the raw value, "Mac Health"), as the navigator's selection is; `title` gives the shown name. Every lookup
// of a text that names no module answers empty (an empty text, an invalid colour, -1).
class ModuleCatalog : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(QuillmereModule)
    QML_SINGLETON
    // The eleven ids in sidebar order.
    Q_PROPERTY(QStringList allCases READ allCases CONSTANT)

public:
    explicit ModuleCatalog(QObject* parent = nullptr);

    QStringList allCases() const;

    Q_INVOKABLE bool isModule(const QString& id) const;
    Q_INVOKABLE int indexOf(const QString& id) const;
    // The shown name of the module `id` ("System Health" for "Mac Health"); what every row, menu item,
    // page title and accessible name shows instead of the id.
    Q_INVOKABLE QString title(const QString& id) const;
    Q_INVOKABLE QString systemImage(const QString& id) const;
    Q_INVOKABLE QColor tint(const QString& id) const;
    // The "Go" menu shortcut of the item at zero-based `index` in portable text ("Ctrl+1"), or an empty
    // text when it has none.
    Q_INVOKABLE QString shortcut(int index) const;
};

} // namespace qm
