#include "linespacing.h"

#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

LineSpacing::LineSpacing(QObject *parent)
    : QObject(parent)
{ }

void LineSpacing::setDocument(QQuickTextDocument *document)
{
    if (document == m_document)
        return;
    QObject::disconnect(m_contents);
    m_document = document;
    if (m_document && m_document->textDocument())
        m_contents = connect(m_document->textDocument(), &QTextDocument::contentsChanged, this,
                             &LineSpacing::apply);
    Q_EMIT documentChanged();
    apply();
}

void LineSpacing::setSpacing(qreal spacing)
{
    if (qFuzzyCompare(spacing, m_spacing))
        return;
    m_spacing = spacing;
    Q_EMIT spacingChanged();
    apply();
}

void LineSpacing::apply()
{
    // Setting the format changes the document's contents too; the guard ends that loop.
    if (m_applying || !m_document || !m_document->textDocument())
        return;
    QTextDocument *text = m_document->textDocument();
    bool current = true;
    for (QTextBlock block = text->begin(); block.isValid() && current; block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        current = format.lineHeightType() == QTextBlockFormat::LineDistanceHeight
                && qFuzzyCompare(format.lineHeight(), m_spacing);
    }
    if (current)
        return;
    m_applying = true;
    QTextCursor cursor(text);
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(m_spacing, QTextBlockFormat::LineDistanceHeight);
    cursor.mergeBlockFormat(format);
    m_applying = false;
}
