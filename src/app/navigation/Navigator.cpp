#include "app/navigation/Navigator.h"

namespace qm {

Navigator::Navigator(QObject* parent) : QObject(parent) {}

void Navigator::setSelection(QuillmereModule module)
{
    if (module == m_selection)
        return;
    m_selection = module;
    emit selectionChanged();
}

QString Navigator::selectionId() const
{
    return QuillmereModules::id(m_selection);
}

bool Navigator::select(const QString& id)
{
    const std::optional<QuillmereModule> module = QuillmereModules::fromRawValue(id);
    if (!module)
        return false;
    setSelection(*module);
    return true;
}

} // namespace qm
