#include "app/models/PerformanceViewModel.h"

namespace qm {

PerformanceViewModel::PerformanceViewModel(QObject* parent) : QObject(parent) {}

void PerformanceViewModel::load()
{
    ++m_generation;
    emit generationChanged();
}

} // namespace qm
