#include "sourcehighlighter.h"

namespace {

// What the end of a line is inside of.
enum State { InText = 0, InComment = 1, InTag = 2, InDoubleQuote = 3, InSingleQuote = 4 };

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char(':') ||
           c == QLatin1Char('.');
}

} // namespace

CSourceHighlighter::CSourceHighlighter(QTextDocument* document) : QSyntaxHighlighter(document)
{
    m_tag.setForeground(QColor(0x1f, 0x4e, 0x9c));
    m_tag.setFontWeight(QFont::Bold);
    m_attribute.setForeground(QColor(0x9c, 0x3d, 0x1f));
    m_value.setForeground(QColor(0x2e, 0x7d, 0x32));
    m_comment.setForeground(QColor(0x80, 0x80, 0x80));
    m_comment.setFontItalic(true);
    m_reference.setForeground(QColor(0x8e, 0x24, 0xaa));
}

void CSourceHighlighter::highlightBlock(const QString& text)
{
    const qsizetype n = text.size();
    int state = previousBlockState() < 0 ? InText : previousBlockState();
    qsizetype i = 0;
    while (i < n) {
        if (state == InComment) {
            const qsizetype end = text.indexOf(QLatin1String("-->"), i);
            const qsizetype stop = end < 0 ? n : end + 3;
            setFormat(int(i), int(stop - i), m_comment);
            i = stop;
            if (end >= 0)
                state = InText;
            continue;
        }
        if (state == InDoubleQuote || state == InSingleQuote) {
            const QChar quote = state == InDoubleQuote ? QLatin1Char('"') : QLatin1Char('\'');
            const qsizetype end = text.indexOf(quote, i);
            const qsizetype stop = end < 0 ? n : end + 1;
            setFormat(int(i), int(stop - i), m_value);
            i = stop;
            if (end >= 0)
                state = InTag;
            continue;
        }
        if (state == InTag) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('>') || (c == QLatin1Char('/') && i + 1 < n && text.at(i + 1) == QLatin1Char('>'))) {
                const int length = c == QLatin1Char('>') ? 1 : 2;
                setFormat(int(i), length, m_tag);
                i += length;
                state = InText;
            } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                setFormat(int(i), 1, m_value);
                state = c == QLatin1Char('"') ? InDoubleQuote : InSingleQuote;
                ++i;
            } else if (c == QLatin1Char('=')) {
                // An unquoted value runs to a space or the tag's end.
                qsizetype end = i + 1;
                if (end < n && text.at(end) != QLatin1Char('"') && text.at(end) != QLatin1Char('\'')) {
                    while (end < n && !text.at(end).isSpace() && text.at(end) != QLatin1Char('>'))
                        ++end;
                    setFormat(int(i + 1), int(end - i - 1), m_value);
                }
                i = end;
            } else if (isNameChar(c)) {
                qsizetype end = i;
                while (end < n && isNameChar(text.at(end)))
                    ++end;
                setFormat(int(i), int(end - i), m_attribute);
                i = end;
            } else {
                ++i;
            }
            continue;
        }
        // Text: up to the next tag, comment or character reference.
        const QChar c = text.at(i);
        if (c == QLatin1Char('<') && text.mid(i, 4) == QLatin1String("<!--")) {
            state = InComment;
            setFormat(int(i), 4, m_comment);
            i += 4;
        } else if (c == QLatin1Char('<') && i + 1 < n &&
                   (text.at(i + 1).isLetter() || text.at(i + 1) == QLatin1Char('/') || text.at(i + 1) == QLatin1Char('!'))) {
            qsizetype end = i + 1;
            if (text.at(end) == QLatin1Char('/') || text.at(end) == QLatin1Char('!'))
                ++end;
            while (end < n && isNameChar(text.at(end)))
                ++end;
            setFormat(int(i), int(end - i), m_tag);
            i = end;
            state = InTag;
        } else if (c == QLatin1Char('&')) {
            qsizetype end = i + 1;
            if (end < n && text.at(end) == QLatin1Char('#'))
                ++end;
            while (end < n && text.at(end).isLetterOrNumber())
                ++end;
            if (end < n && text.at(end) == QLatin1Char(';') && end > i + 1)
                setFormat(int(i), int(end + 1 - i), m_reference);
            i = end;
        } else {
            ++i;
        }
    }
    setCurrentBlockState(state);
}
