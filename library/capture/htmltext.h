#pragma once
// The title and the visible text of a page, as a browser would lay it out, without running
// scripts or fetching anything: for the title of a captured article and for the catalog's
// search in article texts.

#include <string>
#include <string_view>

// The page's bytes as UTF-8: a byte-order mark, else the charset a <meta> declares near the
// top (GBK/GB2312/GB18030 and the other common ones), else UTF-8.
std::string DecodeHtmlBytes(std::string_view bytes);

// title: the TITLE text (white space collapsed), left as it was when the page has none.
// text: the visible body text, "\r\n" between blocks. Always true.
bool GetHtmlTitleAndText(std::string_view html, std::string& title, std::string& text);

// Byte position of the keyword in the visible text, letters A-Z compared without case;
// -1 when it is not there (0 for an empty keyword). The title is not searched.
long FindInHtmlText(std::string_view html, std::string_view keyword);
