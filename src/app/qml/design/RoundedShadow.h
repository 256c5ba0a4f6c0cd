#pragma once

#include <QColor>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The soft shadow of a rounded rectangle the size of this item, moved by the offset: the colour falls
// off outside the moved shape as a Gaussian blur of the shape would (the blur radius is taken as twice
// the deviation; the falloff reaches three deviations), drawn as one piece of vertex-coloured geometry
// (a live blur is too slow on this platform; under the software renderer, an image of that geometry).
// Nothing is drawn inside the shape beyond its half-pixel smoothed edge, so a translucent surface above
// it stays clear. Lengths are logical pixels. Available in QML as `RoundedShadow`; takes no input.
class RoundedShadow : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(qreal cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY cornerRadiusChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(qreal blurRadius READ blurRadius WRITE setBlurRadius NOTIFY blurRadiusChanged)
    Q_PROPERTY(qreal offsetX READ offsetX WRITE setOffsetX NOTIFY offsetXChanged)
    Q_PROPERTY(qreal offsetY READ offsetY WRITE setOffsetY NOTIFY offsetYChanged)
    // The Gaussian deviation: half the blur radius, at least 0.5.
    Q_PROPERTY(qreal deviation READ deviation NOTIFY blurRadiusChanged)

public:
    explicit RoundedShadow(QQuickItem* parent = nullptr);

    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    qreal blurRadius() const { return m_blurRadius; }
    void setBlurRadius(qreal radius);
    qreal offsetX() const { return m_offsetX; }
    void setOffsetX(qreal offset);
    qreal offsetY() const { return m_offsetY; }
    void setOffsetY(qreal offset);
    qreal deviation() const;

signals:
    void cornerRadiusChanged();
    void colorChanged();
    void blurRadiusChanged();
    void offsetXChanged();
    void offsetYChanged();

protected:
    QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData* data) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    qreal m_cornerRadius = 0;
    QColor m_color = QColor::fromRgbF(0, 0, 0, 0.22f);
    qreal m_blurRadius = 10;
    qreal m_offsetX = 0;
    qreal m_offsetY = 0;
};

} // namespace qm
