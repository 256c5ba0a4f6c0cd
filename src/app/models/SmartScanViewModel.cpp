#include "app/models/SmartScanViewModel.h"

namespace qm {

SmartScanViewModel::SmartScanViewModel(QObject* parent) : QObject(parent) {}

void SmartScanViewModel::scan()
{
    ++m_generation;
    emit generationChanged();
}

} // namespace qm
