#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The model of the Cloud Cleanup screen. Until the cloud scanner is wired in, `scan` only counts the
// start in `generation`; it scans nothing and is never busy. Lives on the GUI thread.
class CloudCleanupViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")
    // How many times `scan` has started work; 0 before the first.
    Q_PROPERTY(int generation READ generation NOTIFY generationChanged)

public:
    explicit CloudCleanupViewModel(QObject* parent = nullptr);

    int generation() const { return m_generation; }

    // Starts a fresh scan of the cloud items; returns at once.
    Q_INVOKABLE void scan();

signals:
    void generationChanged();

private:
    int m_generation = 0;
};

} // namespace qm
