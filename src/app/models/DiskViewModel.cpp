#include "app/models/DiskViewModel.h"

namespace qm {

DiskViewModel::DiskViewModel(QObject* parent) : QObject(parent) {}

void DiskViewModel::load()
{
    if (m_scanning)
        return;
    m_scanning = true;
    ++m_generation;
    m_loading = true;
    emit stateChanged();
}

} // namespace qm
