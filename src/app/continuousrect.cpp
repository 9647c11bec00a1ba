#include "continuousrect.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

ContinuousRect::ContinuousRect(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void ContinuousRect::changed()
{
    Q_EMIT appearanceChanged();
    update();
}

void ContinuousRect::setRadius(qreal radius)
{
    if (!qFuzzyCompare(radius, m_radius)) {
        m_radius = radius;
        changed();
    }
}

void ContinuousRect::setColor(const QColor &color)
{
    if (color != m_color) {
        m_color = color;
        changed();
    }
}

void ContinuousRect::setGradient(const QVariantList &colors)
{
    if (colors != m_gradient) {
        m_gradient = colors;
        changed();
    }
}

void ContinuousRect::setStrokeColor(const QColor &color)
{
    if (color != m_strokeColor) {
        m_strokeColor = color;
        changed();
    }
}

void ContinuousRect::setStrokeWidth(qreal width)
{
    if (!qFuzzyCompare(width, m_strokeWidth)) {
        m_strokeWidth = width;
        changed();
    }
}

QPainterPath ContinuousRect::outline(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    if (rect.isEmpty())
        return path;
    const qreal reach = std::clamp(radius * 1.28, 0.0, std::min(rect.width(), rect.height()) / 2);
    // With the corner starting 1.28 radii out, handles at 0.354 radii keep the curve's midpoint
    // where a circular corner of the same radius has it.
    const qreal handle = reach * 0.2766;
    const qreal left = rect.left();
    const qreal top = rect.top();
    const qreal right = rect.right();
    const qreal bottom = rect.bottom();
    path.moveTo(left + reach, top);
    path.lineTo(right - reach, top);
    path.cubicTo(right - handle, top, right, top + handle, right, top + reach);
    path.lineTo(right, bottom - reach);
    path.cubicTo(right, bottom - handle, right - handle, bottom, right - reach, bottom);
    path.lineTo(left + reach, bottom);
    path.cubicTo(left + handle, bottom, left, bottom - handle, left, bottom - reach);
    path.lineTo(left, top + reach);
    path.cubicTo(left, top + handle, left + handle, top, left + reach, top);
    path.closeSubpath();
    return path;
}

void ContinuousRect::paint(QPainter *painter)
{
    const QRectF bounds(0, 0, width(), height());
    if (bounds.isEmpty())
        return;
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    if (m_gradient.size() >= 2) {
        QLinearGradient gradient(bounds.topLeft(), bounds.bottomRight());
        const qsizetype last = m_gradient.size() - 1;
        for (qsizetype stop = 0; stop <= last; ++stop)
            gradient.setColorAt(qreal(stop) / qreal(last), m_gradient.at(stop).value<QColor>());
        painter->setBrush(gradient);
    } else {
        painter->setBrush(m_gradient.isEmpty() ? m_color : m_gradient.constFirst().value<QColor>());
    }
    painter->drawPath(outline(bounds, m_radius));

    if (m_strokeWidth > 0 && m_strokeColor.alpha() > 0) {
        const qreal inset = m_strokeWidth / 2;
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(m_strokeColor, m_strokeWidth));
        painter->drawPath(outline(bounds.adjusted(inset, inset, -inset, -inset),
                                  std::max(0.0, m_radius - inset)));
    }
}
