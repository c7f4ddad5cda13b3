#pragma once
// Colours for the HTML source view: tags, attribute names and values, comments and
// character references. A comment or a tag may run over several lines.

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class CSourceHighlighter final : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit CSourceHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextCharFormat m_tag, m_attribute, m_value, m_comment, m_reference;
};
