#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The model of the Cleanup page. Until the junk scanner is wired in it holds only the page's phase:
// `scan` moves to `scanning` as the real model does (and is ignored while cleaning) but starts no
// work, so the phase stays there. Lives on the GUI thread.
class CleanupViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the Cleanup model")
    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    // Whether the current or last scan was started automatically (after an undo).
    Q_PROPERTY(bool isPostUndoRescan READ isPostUndoRescan NOTIFY phaseChanged)

public:
    enum class Phase { idle, scanning, results, cleaning };
    Q_ENUM(Phase)

    explicit CleanupViewModel(QObject* parent = nullptr);

    Phase phase() const { return m_phase; }
    bool isPostUndoRescan() const { return m_isPostUndoRescan; }
    // The number of the newest scan; 0 before the first.
    int generation() const { return m_generation; }

    // Starts a fresh scan; `isAutoRescan` says it follows an undo rather than the user's request.
    // Ignored while cleaning. Returns at once.
    Q_INVOKABLE void scan(bool isAutoRescan);

signals:
    void phaseChanged();

private:
    Phase m_phase = Phase::idle;
    bool m_isPostUndoRescan = false;
    int m_generation = 0;
};

} // namespace qm
