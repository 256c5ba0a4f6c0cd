#include "app/models/CloudCleanupViewModel.h"

namespace qm {

CloudCleanupViewModel::CloudCleanupViewModel(QObject* parent) : QObject(parent) {}

void CloudCleanupViewModel::scan()
{
    ++m_generation;
    emit generationChanged();
}

} // namespace qm
