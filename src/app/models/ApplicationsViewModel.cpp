#include "app/models/ApplicationsViewModel.h"

namespace qm {

ApplicationsViewModel::ApplicationsViewModel(QObject* parent) : QObject(parent) {}

void ApplicationsViewModel::refresh()
{
    if (!m_listingFinished || m_refreshing)
        return;
    m_refreshing = true;
    ++m_generation;
    emit refreshingChanged();
}

} // namespace qm
