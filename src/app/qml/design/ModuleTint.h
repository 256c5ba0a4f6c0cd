#pragma once

#include <QColor>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

class QQuickItem;

namespace qm {

// The tint of the module on screen, scoped to a subtree of items: `ModuleTint.tint` set on an item
// applies to it and everything below it, and `ModuleTint.resolved` on any item is the nearest tint
// found by walking the visual parents (`parentItem()`), or the brand accent (sRGB 45, 185, 131) when
// no ancestor sets one. The answer follows the tree: it is worked out again when the item or any
// ancestor moves to another parent and when a tint above it is set or cleared. It is not a global
// value, so a button outside every module keeps the accent.
class ModuleTint : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("ModuleTint is an attached property")
    QML_ATTACHED(ModuleTint)
    // The tint this item gives its subtree; invalid (and `isSet` false) until written. Resetting it
    // (or writing an invalid colour) hands the subtree back to the tint above.
    Q_PROPERTY(QColor tint READ tint WRITE setTint RESET resetTint NOTIFY tintChanged)
    Q_PROPERTY(bool isSet READ isSet NOTIFY tintChanged)
    // The tint in force on this item: its own when set, else the nearest ancestor's, else the accent.
    Q_PROPERTY(QColor resolved READ resolved NOTIFY resolvedChanged)

public:
    explicit ModuleTint(QObject* owner);

    static ModuleTint* qmlAttachedProperties(QObject* owner);

    // The tint seen where no ancestor sets one: the brand accent, sRGB (45, 185, 131) at opacity 1.
    static QColor defaultTint();
    // The tint in force on `item` at this moment, by the same walk; the accent for a null item. Reads
    // only attached objects that already exist, so it never creates one.
    static QColor resolve(const QQuickItem* item);

    QColor tint() const { return m_tint; }
    void setTint(const QColor& tint);
    void resetTint() { setTint(QColor()); }
    bool isSet() const { return m_tint.isValid(); }
    QColor resolved() const { return m_resolved; }

signals:
    void tintChanged();
    void resolvedChanged();

private:
    void refresh();
    void watchAncestors();
    void refreshSubtree(QQuickItem* item);

    QPointer<QQuickItem> m_item;
    QColor m_tint;
    QColor m_resolved;
    QList<QMetaObject::Connection> m_ancestorWatches;
};

} // namespace qm
