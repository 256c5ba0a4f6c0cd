#include "app/models/CleanupViewModel.h"

namespace qm {

CleanupViewModel::CleanupViewModel(QObject* parent) : QObject(parent) {}

void CleanupViewModel::scan(bool isAutoRescan)
{
    if (m_phase == Phase::cleaning)
        return;
    ++m_generation;
    m_phase = Phase::scanning;
    m_isPostUndoRescan = isAutoRescan;
    emit phaseChanged();
}

} // namespace qm
