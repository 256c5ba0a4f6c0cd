#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The model of the Duplicates tool. It holds nothing yet: the duplicate search is not wired in. Lives
// on the GUI thread.
class DuplicatesViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

public:
    explicit DuplicatesViewModel(QObject* parent = nullptr);
};

} // namespace qm
