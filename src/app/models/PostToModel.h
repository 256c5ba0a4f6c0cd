#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <utility>

namespace qm {

// Runs `apply(model)` on the GUI thread, unless the model is gone by then. Called from pool threads: the
// job never touches the model, it only queues the call on the application object (which outlives every
// model); calls queued from one thread arrive in the order they were queued. Returns whether the call
// was queued (false only when there is no application object).
template <typename Model, typename Apply> bool postTo(const QPointer<Model>& self, Apply apply)
{
    return QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, apply = std::move(apply)]() mutable {
            if (self)
                apply(*self);
        },
        Qt::QueuedConnection);
}

} // namespace qm
