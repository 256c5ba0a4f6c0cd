#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The model of the disk overview. Until the disk usage scanner is wired in, `load` only marks a scan
// as started (and ignores a second start while one runs, as the real model does); nothing finishes
// it, so `scanning` stays true once set. Lives on the GUI thread.
class DiskViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the Disk model")
    // A disk scan has started and not finished.
    Q_PROPERTY(bool scanning READ scanning NOTIFY stateChanged)
    // The screen shows its loading state.
    Q_PROPERTY(bool loading READ loading NOTIFY stateChanged)
    // The number of the newest scan; 0 before the first.
    Q_PROPERTY(int generation READ generation NOTIFY stateChanged)

public:
    explicit DiskViewModel(QObject* parent = nullptr);

    bool scanning() const { return m_scanning; }
    bool loading() const { return m_loading; }
    int generation() const { return m_generation; }

    // Starts a disk usage scan unless one is running; returns at once.
    Q_INVOKABLE void load();

signals:
    void stateChanged();

private:
    bool m_scanning = false;
    bool m_loading = false;
    int m_generation = 0;
};

} // namespace qm
