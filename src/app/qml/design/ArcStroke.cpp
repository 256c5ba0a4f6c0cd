#include "ArcStroke.h"

#include <QConicalGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace qm {

ArcStroke::ArcStroke(QQuickItem* parent) : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
    setFillColor(Qt::transparent);
}

template <typename T> void ArcStroke::change(T& field, const T& value)
{
    if (field == value)
        return;
    field = value;
    emit appearanceChanged();
    update();
}

void ArcStroke::setRadius(qreal radius)
{
    change(m_radius, radius);
}

void ArcStroke::setStrokeWidth(qreal width)
{
    change(m_strokeWidth, width);
}

void ArcStroke::setStrokeColor(const QColor& color)
{
    change(m_strokeColor, color);
}

void ArcStroke::setStartAngle(qreal degrees)
{
    change(m_startAngle, degrees);
}

void ArcStroke::setSweepAngle(qreal degrees)
{
    change(m_sweepAngle, degrees);
}

void ArcStroke::setCapStyle(int style)
{
    change(m_capStyle, style);
}

void ArcStroke::setConical(bool conical)
{
    change(m_conical, conical);
}

void ArcStroke::setGradientStart(const QColor& color)
{
    change(m_gradientStart, color);
}

void ArcStroke::setGradientEnd(const QColor& color)
{
    change(m_gradientEnd, color);
}

void ArcStroke::paint(QPainter* painter)
{
    if (m_strokeWidth <= 0 || m_radius < 0 || std::isnan(m_sweepAngle))
        return;
    const QPointF centre(width() / 2, height() / 2);
    const QRectF circle(centre.x() - m_radius, centre.y() - m_radius, 2 * m_radius, 2 * m_radius);
    QPainterPath path;
    if (std::abs(m_sweepAngle) >= 360) {
        path.addEllipse(circle);
    } else {
        // QPainter's angles run anticlockwise on screen; these run clockwise.
        path.arcMoveTo(circle, -m_startAngle);
        path.arcTo(circle, -m_startAngle, -m_sweepAngle);
    }
    QBrush brush(m_strokeColor);
    if (m_conical) {
        QConicalGradient gradient(centre, 0);
        gradient.setColorAt(0, m_gradientStart);
        gradient.setColorAt(1, m_gradientEnd);
        brush = QBrush(gradient);
    }
    const auto cap = Qt::PenCapStyle(m_capStyle & Qt::MPenCapStyle);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->strokePath(path, QPen(brush, m_strokeWidth, Qt::SolidLine, cap, Qt::MiterJoin));
}

} // namespace qm
