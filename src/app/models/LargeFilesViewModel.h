#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The model of the Large & Old files tool. It holds nothing yet: the large-file search is not wired
// in. Lives on the GUI thread.
class LargeFilesViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

public:
    explicit LargeFilesViewModel(QObject* parent = nullptr);
};

} // namespace qm
