#include "usertext.h"

#include <QTextBoundaryFinder>

qsizetype UserText::length(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QString UserText::left(const QString &text, qsizetype count)
{
    // Every character takes at least one UTF-16 unit, so a short text is never cut.
    if (text.size() <= count)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype taken = 0; taken < count; ++taken) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            return text;
        end = next;
    }
    return text.left(end);
}

QString UserText::quoted(const QString &text)
{
    return left(text, 2000);
}
