#include "app/qml/design/ModuleTint.h"

#include <QQuickItem>
#include <QtQml/qqml.h>

namespace qm {
namespace {

ModuleTint* existingAttached(const QQuickItem* item)
{
    return qobject_cast<ModuleTint*>(qmlAttachedPropertiesObject<ModuleTint>(item, false));
}

} // namespace

ModuleTint::ModuleTint(QObject* owner) : QObject(owner), m_item(qobject_cast<QQuickItem*>(owner))
{
    m_resolved = resolve(m_item);
    watchAncestors();
}

ModuleTint* ModuleTint::qmlAttachedProperties(QObject* owner)
{
    return new ModuleTint(owner);
}

QColor ModuleTint::defaultTint()
{
    return QColor(45, 185, 131);
}

QColor ModuleTint::resolve(const QQuickItem* item)
{
    for (const QQuickItem* current = item; current != nullptr; current = current->parentItem()) {
        if (const ModuleTint* attached = existingAttached(current); attached && attached->isSet())
            return attached->tint();
    }
    return defaultTint();
}

void ModuleTint::setTint(const QColor& tint)
{
    const QColor next = tint.isValid() ? tint : QColor();
    if (next == m_tint)
        return;
    m_tint = next;
    emit tintChanged();
    // Descendants resolve through this item; tell every one that has asked.
    if (m_item)
        refreshSubtree(m_item);
    else
        refresh();
}

void ModuleTint::refresh()
{
    const QColor resolved = m_tint.isValid() ? m_tint : resolve(m_item ? m_item->parentItem() : nullptr);
    if (resolved != m_resolved) {
        m_resolved = resolved;
        emit resolvedChanged();
    }
}

// A move of this item or of any ancestor can change the chain; watch each link of the current one and
// rebuild the watches whenever it changes.
void ModuleTint::watchAncestors()
{
    for (const QMetaObject::Connection& watch : std::as_const(m_ancestorWatches))
        disconnect(watch);
    m_ancestorWatches.clear();
    for (QQuickItem* current = m_item; current != nullptr; current = current->parentItem()) {
        m_ancestorWatches.append(connect(current, &QQuickItem::parentChanged, this, [this] {
            watchAncestors();
            refresh();
        }));
    }
}

void ModuleTint::refreshSubtree(QQuickItem* item)
{
    const QList<QQuickItem*> children = item->childItems();
    if (ModuleTint* attached = existingAttached(item)) {
        attached->refresh();
        // A subtree with a tint of its own below this one does not see this one.
        if (attached != this && attached->isSet())
            return;
    }
    for (QQuickItem* child : children)
        refreshSubtree(child);
}

} // namespace qm
