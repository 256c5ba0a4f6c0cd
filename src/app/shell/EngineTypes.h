#pragma once

#include "core/helper/HelperClient.h"
#include "core/system/StorageMonitor.h"
#include "platform/AppActivity.h"

#include <QObject>
#include <QtQml/qqml.h>
#include <QtQml/qqmlregistration.h>

namespace qm {

// Makes the engine's storage monitor known to QML by name (it lives in the engine library, which has
// no QML of its own), so screens can hold it in typed properties. QML cannot create one.
struct StorageMonitorForeign
{
    Q_GADGET
    QML_FOREIGN(qm::StorageMonitor)
    QML_NAMED_ELEMENT(StorageMonitor)
    QML_UNCREATABLE("The view-model container owns the storage monitor")
};

// Makes the activity seam known to QML by name, so screens can follow its `becameActive` signal.
struct AppActivityForeign
{
    Q_GADGET
    QML_FOREIGN(qm::AppActivity)
    QML_NAMED_ELEMENT(AppActivity)
    QML_UNCREATABLE("The program creates the one activity source")
};

// Makes the engine's helper client known to QML by name, so screens can hold it in typed properties.
struct HelperClientForeign
{
    Q_GADGET
    QML_FOREIGN(qm::HelperClient)
    QML_NAMED_ELEMENT(HelperClient)
    QML_UNCREATABLE("The view-model container owns the helper client")
};

} // namespace qm
