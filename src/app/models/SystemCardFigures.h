#pragma once

#include "app/models/LiveStats.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <vector>

namespace qm {

// What the Performance page's statistics card shows of the last sample and battery reading in
// `stats`: the texts and fractions of its three bars and the label/value pairs of its three tile rows.
// Computed afresh on every change of `stats`; reads no file and keeps nothing else. A value that was
// not measured reads "—" (one em dash). Lives on the GUI thread.
class SystemCardFigures : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    // The live statistics to show (null: the empty starting sample, no battery).
    Q_PROPERTY(qm::LiveStats* stats READ stats WRITE setStats NOTIFY statsChanged)
    // The empty starting sample (fewer than 1 processor) is drawn as a placeholder.
    Q_PROPERTY(bool placeholder READ placeholder NOTIFY figuresChanged)
    // Three bars, each a map with `label`, `value` (text), `fraction` (0…1), `known` and `warnAbove`.
    Q_PROPERTY(QVariantList bars READ barList NOTIFY figuresChanged)
    // Three rows of tiles, each a list of maps with `label` and `value`.
    Q_PROPERTY(QVariantList rows READ rowList NOTIFY figuresChanged)

public:
    struct Bar
    {
        QString label;
        QString value;
        double fraction = 0;  // 0…1
        bool known = false;   // false: only the track is drawn
        double warnAbove = 0; // a fraction strictly above this draws the warning colour
        bool operator==(const Bar&) const = default;
    };
    struct Tile
    {
        QString label;
        QString value;
        bool operator==(const Tile&) const = default;
    };
    struct Figures
    {
        bool placeholder = true;
        std::vector<Bar> bars;               // CPU, Memory, Disk
        std::vector<std::vector<Tile>> rows; // network; memory and processors; battery, thermal, uptime
    };

    // The figures of one sample and battery reading. Pure.
    static Figures compute(const SystemSnapshot& snapshot, const BatteryInfo& battery);

    explicit SystemCardFigures(QObject* parent = nullptr);

    LiveStats* stats() const { return m_stats; }
    void setStats(LiveStats* stats);
    const Figures& figures() const { return m_figures; }
    bool placeholder() const { return m_figures.placeholder; }
    QVariantList barList() const;
    QVariantList rowList() const;

signals:
    void statsChanged();
    void figuresChanged();

private:
    void recompute();

    QPointer<LiveStats> m_stats;
    Figures m_figures;
};

} // namespace qm
