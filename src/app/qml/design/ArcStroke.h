#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

namespace qm {

// A circular arc centred in this item, stroked `strokeWidth` wide with smooth edges: from `startAngle`
// clockwise over `sweepAngle` (degrees from 3 o'clock, as Qt Quick's PathAngleArc takes them; a sweep
// of a whole turn or more draws a closed circle), with `capStyle` ends (Qt's pen cap values, the same
// as ShapePath's), in `strokeColor`, or, when `conical` is set, shaded with a conical gradient about
// the centre from `gradientStart` at 3 o'clock anticlockwise round the turn to `gradientEnd` (as
// QConicalGradient at angle 0 runs). Painted once into a texture and drawn from it until a property
// changes, so turning or moving the item costs no drawing and no multisampled layer. Lengths are
// logical pixels; the stroke may reach past the item's edges only where the item is smaller than the
// circle. Available in QML as `ArcStroke`; takes no input.
class ArcStroke : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(qreal radius READ radius WRITE setRadius NOTIFY appearanceChanged)
    Q_PROPERTY(qreal strokeWidth READ strokeWidth WRITE setStrokeWidth NOTIFY appearanceChanged)
    Q_PROPERTY(QColor strokeColor READ strokeColor WRITE setStrokeColor NOTIFY appearanceChanged)
    Q_PROPERTY(qreal startAngle READ startAngle WRITE setStartAngle NOTIFY appearanceChanged)
    Q_PROPERTY(qreal sweepAngle READ sweepAngle WRITE setSweepAngle NOTIFY appearanceChanged)
    Q_PROPERTY(int capStyle READ capStyle WRITE setCapStyle NOTIFY appearanceChanged)
    Q_PROPERTY(bool conical READ conical WRITE setConical NOTIFY appearanceChanged)
    Q_PROPERTY(QColor gradientStart READ gradientStart WRITE setGradientStart NOTIFY appearanceChanged)
    Q_PROPERTY(QColor gradientEnd READ gradientEnd WRITE setGradientEnd NOTIFY appearanceChanged)

public:
    explicit ArcStroke(QQuickItem* parent = nullptr);

    qreal radius() const { return m_radius; }
    void setRadius(qreal radius);
    qreal strokeWidth() const { return m_strokeWidth; }
    void setStrokeWidth(qreal width);
    QColor strokeColor() const { return m_strokeColor; }
    void setStrokeColor(const QColor& color);
    qreal startAngle() const { return m_startAngle; }
    void setStartAngle(qreal degrees);
    qreal sweepAngle() const { return m_sweepAngle; }
    void setSweepAngle(qreal degrees);
    int capStyle() const { return m_capStyle; }
    void setCapStyle(int style);
    bool conical() const { return m_conical; }
    void setConical(bool conical);
    QColor gradientStart() const { return m_gradientStart; }
    void setGradientStart(const QColor& color);
    QColor gradientEnd() const { return m_gradientEnd; }
    void setGradientEnd(const QColor& color);

    void paint(QPainter* painter) override;

signals:
    void appearanceChanged();

private:
    template <typename T> void change(T& field, const T& value);

    qreal m_radius = 50;
    qreal m_strokeWidth = 10;
    QColor m_strokeColor = Qt::white;
    qreal m_startAngle = 0;
    qreal m_sweepAngle = 360;
    int m_capStyle = Qt::FlatCap;
    bool m_conical = false;
    QColor m_gradientStart = Qt::white;
    QColor m_gradientEnd = Qt::transparent;
};

} // namespace qm
