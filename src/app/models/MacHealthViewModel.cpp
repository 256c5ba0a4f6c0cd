#include "app/models/MacHealthViewModel.h"

namespace qm {

MacHealthViewModel::MacHealthViewModel(QObject* parent) : QObject(parent) {}

void MacHealthViewModel::refresh()
{
    ++m_generation;
    emit generationChanged();
}

} // namespace qm
