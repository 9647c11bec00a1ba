#include "svgglyph.h"

#include <QFile>
#include <QHash>
#include <QLoggingCategory>
#include <QPainter>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(glyphs, "varnolet.glyphs")

QByteArray glyphData(const QString &source)
{
    // Icons are tiny and few; read each once for the life of the process.
    static QHash<QString, QByteArray> cache;
    const auto found = cache.constFind(source);
    if (found != cache.constEnd())
        return *found;
    QString path = source;
    if (path.startsWith(u"qrc:"_s))
        path = path.mid(3);
    QFile file(path);
    QByteArray data;
    if (file.open(QIODevice::ReadOnly))
        data = file.readAll();
    else
        qCWarning(glyphs) << "No icon at" << source;
    cache.insert(source, data);
    return data;
}

} // namespace

SvgGlyph::SvgGlyph(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void SvgGlyph::setSource(const QString &source)
{
    if (source == m_source)
        return;
    m_source = source;
    m_data = source.isEmpty() ? QByteArray() : glyphData(source);
    Q_EMIT sourceChanged();
    update();
}

void SvgGlyph::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT colorChanged();
    update();
}

void SvgGlyph::paint(QPainter *painter)
{
    if (m_data.isEmpty() || width() <= 0 || height() <= 0)
        return;
    QByteArray tinted = m_data;
    tinted.replace("currentColor"_ba, m_color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(tinted);
    if (!renderer.isValid())
        return;
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setOpacity(m_color.alphaF());
    const QSizeF box = size();
    QSizeF drawn = renderer.defaultSize().toSizeF();
    drawn.scale(box, Qt::KeepAspectRatio);
    renderer.render(
            painter,
            QRectF(QPointF((box.width() - drawn.width()) / 2, (box.height() - drawn.height()) / 2),
                   drawn));
}
