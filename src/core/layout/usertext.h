#pragma once

#include <QString>

/// Measures and cuts text in user-perceived characters (grapheme clusters), so that a limit never
/// splits an accented letter or an emoji.
class UserText
{
public:
    UserText() = delete;

    /// How many user-perceived characters `text` holds.
    static qsizetype length(const QString &text);
    /// The first `count` user-perceived characters of `text`, or all of it when it is shorter.
    static QString left(const QString &text, qsizetype count);
    /// Text taken from a tool's output or a file, cut to the first 2,000 user-perceived characters
    /// before it enters a sentence, so that a hostile tool cannot make a message huge.
    static QString quoted(const QString &text);
};
