#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

/// A one-colour SVG icon drawn in any colour: the icon set paints with "currentColor", which is
/// replaced by `color` before rendering, so one file serves every tint.
class SvgGlyph : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool valid READ valid NOTIFY sourceChanged)

public:
    explicit SvgGlyph(QQuickItem *parent = nullptr);

    /// A resource or file path ("qrc:" and ":" prefixes both work).
    QString source() const { return m_source; }
    void setSource(const QString &source);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    bool valid() const { return !m_data.isEmpty(); }

    void paint(QPainter *painter) override;

Q_SIGNALS:
    void sourceChanged();
    void colorChanged();

private:
    QString m_source;
    QByteArray m_data;
    QColor m_color = Qt::white;
};
