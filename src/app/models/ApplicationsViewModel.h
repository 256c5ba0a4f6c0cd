#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The model of the Applications screen. Until the application inventory is wired in, its listing is
// empty and finished from the start, and `refresh` only marks a refresh as running (ignored while one
// runs, as the real model does); nothing ends it, so `refreshing` stays true once set. Lives on the
// GUI thread.
class ApplicationsViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")
    // A refresh of the listing has started and not finished.
    Q_PROPERTY(bool refreshing READ refreshing NOTIFY refreshingChanged)

public:
    explicit ApplicationsViewModel(QObject* parent = nullptr);

    bool refreshing() const { return m_refreshing; }
    // How many refreshes have started; 0 before the first.
    int generation() const { return m_generation; }

    // Lists the installed applications again, unless the listing has not finished or a refresh is
    // already running; returns at once.
    Q_INVOKABLE void refresh();

signals:
    void refreshingChanged();

private:
    bool m_listingFinished = true;
    bool m_refreshing = false;
    int m_generation = 0;
};

} // namespace qm
