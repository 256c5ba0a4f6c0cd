#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The model of the Mac Health screen. Until the health assessment is wired in, `refresh` only counts
// the request in `generation` and computes nothing. Lives on the GUI thread.
class MacHealthViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")
    // How many times `refresh` has started work; 0 before the first.
    Q_PROPERTY(int generation READ generation NOTIFY generationChanged)

public:
    explicit MacHealthViewModel(QObject* parent = nullptr);

    int generation() const { return m_generation; }

    // Recomputes the health assessment; returns at once.
    Q_INVOKABLE void refresh();

signals:
    void generationChanged();

private:
    int m_generation = 0;
};

} // namespace qm
