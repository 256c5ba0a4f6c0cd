#include "app/models/SpaceLensViewModel.h"

namespace qm {

SpaceLensViewModel::SpaceLensViewModel(QObject* parent) : QObject(parent) {}

void SpaceLensViewModel::load()
{
    ++m_generation;
    emit generationChanged();
}

} // namespace qm
