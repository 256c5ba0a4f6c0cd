#pragma once

#include <QColor>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

namespace qm {

// A line along the inside edge of a rounded rectangle the size of this item, its colour running from
// `topColor` at the top to `bottomColor` at the bottom (each component interpolated linearly over the
// height), with smoothed edges, drawn as one piece of vertex-coloured geometry (Qt Quick strokes only
// in one colour; under its software renderer, an image of that geometry). Lengths are logical pixels.
// Available in QML as `GradientBorder`; takes no input.
class GradientBorder : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(qreal cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY cornerRadiusChanged)
    Q_PROPERTY(qreal lineWidth READ lineWidth WRITE setLineWidth NOTIFY lineWidthChanged)
    Q_PROPERTY(QColor topColor READ topColor WRITE setTopColor NOTIFY topColorChanged)
    Q_PROPERTY(QColor bottomColor READ bottomColor WRITE setBottomColor NOTIFY bottomColorChanged)

public:
    explicit GradientBorder(QQuickItem* parent = nullptr);

    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    qreal lineWidth() const { return m_lineWidth; }
    void setLineWidth(qreal width);
    QColor topColor() const { return m_topColor; }
    void setTopColor(const QColor& color);
    QColor bottomColor() const { return m_bottomColor; }
    void setBottomColor(const QColor& color);

    // The colour at `fraction` of the height (0 top, 1 bottom; clamped), each component interpolated
    // linearly.
    Q_INVOKABLE QColor colorAt(qreal fraction) const;

signals:
    void cornerRadiusChanged();
    void lineWidthChanged();
    void topColorChanged();
    void bottomColorChanged();

protected:
    QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData* data) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    qreal m_cornerRadius = 0;
    qreal m_lineWidth = 1;
    QColor m_topColor = QColor::fromRgbF(1, 1, 1, 0.20f);
    QColor m_bottomColor = QColor::fromRgbF(1, 1, 1, 0.05f);
};

} // namespace qm
