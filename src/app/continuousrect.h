#pragma once

#include <QColor>
#include <QList>
#include <QQuickPaintedItem>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

/// A rounded rectangle with continuous corners, as Apple draws them: each corner eases out of the
/// straight edges over 1.28 radii in one cubic curve. Filled with `color` or with `gradient`
/// (colours spread evenly from the top-leading to the bottom-trailing corner), and optionally
/// stroked inside its border. Painted into a texture, so that it is antialiased and clipped the
/// same way with every scene graph backend.
class ContinuousRect : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(qreal radius READ radius WRITE setRadius NOTIFY appearanceChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY appearanceChanged)
    Q_PROPERTY(QVariantList gradient READ gradient WRITE setGradient NOTIFY appearanceChanged)
    Q_PROPERTY(QColor strokeColor READ strokeColor WRITE setStrokeColor NOTIFY appearanceChanged)
    Q_PROPERTY(qreal strokeWidth READ strokeWidth WRITE setStrokeWidth NOTIFY appearanceChanged)

public:
    explicit ContinuousRect(QQuickItem *parent = nullptr);

    qreal radius() const { return m_radius; }
    void setRadius(qreal radius);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    QVariantList gradient() const { return m_gradient; }
    void setGradient(const QVariantList &colors);
    QColor strokeColor() const { return m_strokeColor; }
    void setStrokeColor(const QColor &color);
    qreal strokeWidth() const { return m_strokeWidth; }
    void setStrokeWidth(qreal width);

    /// The outline of `rect` with continuous corners of `radius`.
    static QPainterPath outline(const QRectF &rect, qreal radius);

    void paint(QPainter *painter) override;

Q_SIGNALS:
    void appearanceChanged();

private:
    void changed();

    qreal m_radius = 0;
    QColor m_color = Qt::transparent;
    QVariantList m_gradient;
    QColor m_strokeColor = Qt::transparent;
    qreal m_strokeWidth = 0;
};
