#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The model of the browser privacy screen. It holds nothing yet: the privacy scanner is not wired in.
// Lives on the GUI thread.
class PrivacyViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

public:
    explicit PrivacyViewModel(QObject* parent = nullptr);
};

} // namespace qm
