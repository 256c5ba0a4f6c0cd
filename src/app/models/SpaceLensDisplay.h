#pragma once

#include "core/spacelens/PackedCircle.h"

#include <QAbstractItemModel>
#include <QColor>
#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <vector>

namespace qm {

// The arithmetic of the Space Lens screen, kept out of QML so it is tested directly: the bubble map's
// fit and size thresholds, the list rows' share bar and percentage, the choice of the page's content
// and the entry colours. (The size,
// summary and breadcrumb texts are the space lens model's.) In QML the singleton
// `SpaceLensDisplay`; it holds no state. Lengths are logical pixels (the design's points), sizes bytes.
class SpaceLensDisplay : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // The tint of the screen's medallions and check marks (#46B8DE); not the module tint.
    Q_PROPERTY(QColor lensAccent READ lensAccent CONSTANT)
    // The colour of an entry without a colour index.
    Q_PROPERTY(QColor unindexedColor READ unindexedColor CONSTANT)
    // The map's margin on every side, and the room the fit leaves free per axis inside it.
    Q_PROPERTY(double mapInset READ mapInset CONSTANT)
    Q_PROPERTY(double fitMargin READ fitMargin CONSTANT)

public:
    // How layout units map to the map's drawing area: a layout point (x, y) is drawn at
    // (width / 2 + (x − midX) × scale, height / 2 + (y − midY) × scale).
    struct Transform
    {
        double scale = 1.0; // points per layout unit; 0 or below means nothing can be drawn
        double midX = 0.0;  // layout x drawn at the horizontal centre
        double midY = 0.0;  // layout y drawn at the vertical centre
    };

    explicit SpaceLensDisplay(QObject* parent = nullptr);

    static constexpr double kMapInset = 18.0;
    static constexpr double kFitMargin = 28.0;

    // Fits the bounding box of `layout` into a drawing area of `area` (already inside the map's
    // inset), keeping its proportions and 14 points free beside it on each edge, centred. An empty
    // layout gives scale 1 about (0, 0). An area of 28 points or less on an axis gives a scale of 0 or
    // below (the map then draws nothing); spans under 1 layout unit count as 1.
    static Transform fit(QSizeF area, const std::vector<PackedCircle>& layout);
    // Where the layout point `point` is drawn in `area` under `transform`.
    static QPointF place(const Transform& transform, QSizeF area, QPointF point);
    // The drawn diameter of a circle of `radius` layout units.
    static double diameter(double radius, const Transform& transform)
    {
        return 2.0 * radius * transform.scale;
    }

    // Whether a bubble of diameter `d` points shows its name (d > 50), its size line too (d > 82), and,
    // when selected, its check mark (d > 34).
    Q_INVOKABLE static bool showsLabel(double d) { return d > 50.0; }
    Q_INVOKABLE static bool showsSizeLine(double d) { return d > 82.0; }
    Q_INVOKABLE static bool showsCheck(double d) { return d > 34.0; }
    // Font sizes inside a bubble of diameter `d`: the name min(0.12 d, 15), the size line min(0.09 d, 12).
    Q_INVOKABLE static double nameFontSize(double d);
    Q_INVOKABLE static double sizeFontSize(double d);
    // The widest the label block may be: 0.92 d.
    Q_INVOKABLE static double labelMaxWidth(double d) { return 0.92 * d; }
    // The check mark of a selected bubble: its size min(max(0.2 d, 14), 24) and its centre's offset from
    // the bubble's centre, (0.3 d, −0.3 d) (up and to the right; y grows downwards).
    Q_INVOKABLE static double checkSize(double d);
    Q_INVOKABLE static QPointF checkOffset(double d);

    // A share as a whole percentage, halves away from zero, with a percent sign ("13%" for 0.125).
    Q_INVOKABLE static QString percentText(double fraction);
    // The fill of a share bar `width` points wide: `fraction` of it, never under 3 points.
    Q_INVOKABLE static double shareBarWidth(double width, double fraction);

    // Which content the page shows, first match wins: "results" with entries, "measuring" while a pass
    // runs, "unreadable" when the folder itself can't be listed, "emptied" when a removal emptied it,
    // "empty" after a pass found nothing, and "measuring" before anything was measured.
    Q_INVOKABLE static QString contentState(bool hasEntries, bool scanning, bool currentUnreadable,
                                            bool justEmptiedByRemoval, bool hasScanned);

    // The entry colour: palette colour `index` modulo 12; the unindexed gray for a negative index.
    Q_INVOKABLE static QColor entryColor(int index);
    // The twelve palette colours in order.
    static const std::vector<QColor>& palette();
    static QColor lensAccent();
    static QColor unindexedColor();
    static double mapInset() { return kMapInset; }
    static double fitMargin() { return kFitMargin; }

    // `fit` for QML over the circles of `layout`, a list model with the roles `centerX`, `centerY` and
    // `radius` (null counts as empty); the answer a map with `scale`, `midX` and `midY`.
    Q_INVOKABLE static QVariantMap fitModel(double width, double height, const QAbstractItemModel* layout);
    // `place` for QML, with the `fitModel` answer as the transform.
    Q_INVOKABLE static QPointF placeIn(const QVariantMap& transform, double width, double height, double x,
                                       double y);
};

} // namespace qm
