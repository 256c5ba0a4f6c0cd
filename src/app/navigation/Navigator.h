#pragma once

#include "app/navigation/QuillmereModule.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The module on screen. The application creates one for its life; the sidebar, the home screen's
// cards and the "Go" menu change it. It lives on the GUI thread and keeps nothing across launches:
// every launch starts on Smart Scan.
class Navigator : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    // The selected module's id (its raw value, not its shown title). Writing a text that names no module
    // changes nothing.
    Q_PROPERTY(QString selection READ selectionId WRITE setSelectionId NOTIFY selectionChanged)

public:
    explicit Navigator(QObject* parent = nullptr);

    QuillmereModule selection() const { return m_selection; }
    // Selects `module`; emits selectionChanged only when the selection actually changes.
    void setSelection(QuillmereModule module);

    QString selectionId() const;
    // Selects the module whose id is exactly `id`; returns false, and keeps the selection, when no
    // module has that id.
    Q_INVOKABLE bool select(const QString& id);

signals:
    void selectionChanged();

private:
    void setSelectionId(const QString& id) { select(id); }

    QuillmereModule m_selection = QuillmereModule::smartScan;
};

} // namespace qm
