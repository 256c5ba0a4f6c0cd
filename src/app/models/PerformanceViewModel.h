#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The model of the Performance screen. Until launch-item listing is wired in, `load` only counts
// the start in `generation` and lists nothing. Lives on the GUI thread.
class PerformanceViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")
    // How many times `load` has started work; 0 before the first.
    Q_PROPERTY(int generation READ generation NOTIFY generationChanged)

public:
    explicit PerformanceViewModel(QObject* parent = nullptr);

    int generation() const { return m_generation; }

    // Lists the launch items afresh; returns at once.
    Q_INVOKABLE void load();

signals:
    void generationChanged();

private:
    int m_generation = 0;
};

} // namespace qm
