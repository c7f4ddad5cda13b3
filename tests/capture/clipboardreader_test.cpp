#include "clipboardhtml.h"
#include "clipboardreader.h"

#include <gtest/gtest.h>

#include <QMimeData>

TEST(ClipboardReader, TextHtmlBecomesTheHeaderForm)
{
    QMimeData data;
    data.setHtml(QString::fromUtf8("<meta charset='utf-8'><p>中文 <b>bold</b></p>"));
    data.setData(QStringLiteral("chromium/x-source-url"), "https://news.example/story.html\n");
    std::string text;
    ASSERT_GT(ClipboardHtmlFrom(data, text), 0u);

    CClipboardHtml clip;
    ASSERT_TRUE(clip.Parse(text));
    EXPECT_EQ(clip.m_strSourceUrl, "https://news.example/story.html");
    EXPECT_EQ(clip.m_strFragment, "<meta charset='utf-8'><p>中文 <b>bold</b></p>");
    EXPECT_EQ(clip.m_strFragmentHtml, "<meta charset='utf-8'><p>&#20013;&#25991; <b>bold</b></p>");
    EXPECT_NE(clip.m_strBefore.find("<!--StartFragment-->"), std::string::npos);
}

TEST(ClipboardReader, PageLinesAreNeverReadAsHeaderLines)
{
    const std::string text = MakeClipboardHtml("StartFragment:0\nEndHTML:1\nStartHTML:1\n<p>x</p>", "");
    CClipboardHtml clip;
    ASSERT_TRUE(clip.Parse(text));
    EXPECT_EQ(clip.m_strFragment, "StartFragment:0\nEndHTML:1\nStartHTML:1\n<p>x</p>");
}

TEST(ClipboardReader, MarkedFragmentAndRawFlavourAndAddressInUtf16)
{
    QMimeData marked;
    marked.setHtml(QStringLiteral("<html><body><!--StartFragment--><i>x</i><!--EndFragment--></body></html>"));
    const QString url = QStringLiteral("http://a.example/\u4e2d\nTitle");
    marked.setData(QStringLiteral("text/x-moz-url-priv"),
                   QByteArray(reinterpret_cast<const char*>(url.utf16()), url.size() * 2));
    std::string text;
    ASSERT_GT(ClipboardHtmlFrom(marked, text), 0u);
    CClipboardHtml clip;
    ASSERT_TRUE(clip.Parse(text));
    EXPECT_EQ(clip.m_strFragment, "<i>x</i>");
    EXPECT_EQ(clip.m_strBefore, "<html><body><!--StartFragment-->");
    EXPECT_EQ(clip.m_strSourceUrl, "http://a.example/\xE4\xB8\xAD");

    QMimeData raw;
    raw.setData(QStringLiteral("application/x-qt-windows-mime;value=\"HTML Format\""),
                QByteArray("Version:0.9\r\nStartHTML:1\0garbage", 32));
    ASSERT_EQ(ClipboardHtmlFrom(raw, text), 32u);
    EXPECT_EQ(text, "Version:0.9\r\nStartHTML:1");

    QMimeData plain;
    plain.setText(QStringLiteral("not html"));
    text = "unchanged";
    EXPECT_EQ(ClipboardHtmlFrom(plain, text), 0u);
    EXPECT_EQ(text, "unchanged");
}
