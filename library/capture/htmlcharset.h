#pragma once
// A page's bytes, as a file holds them, to UTF-8.
//
// The charset is, in order: a byte-order mark (UTF-8, UTF-16); UTF-16 without a mark when
// the page starts with "<" and a zero byte; the first <meta> in the first 1024 bytes that
// declares a known charset (GBK/GB2312/GB18030, Big5, Shift_JIS, EUC-KR, windows-125x and
// other common ones); else UTF-8 when the bytes are UTF-8 (a character cut off at the very
// end allowed), else GB18030. Bytes that do not decode become U+FFFD.

#include <string>
#include <string_view>

// The page as UTF-8. A <meta> that declares the charset is left in: the result is text to
// show or parse, not bytes to decode again.
std::string DecodeHtmlBytes(std::string_view bytes);

// The same without a copy when the bytes are UTF-8 already: a view of bytes (without a
// byte-order mark), else of buffer, which holds the converted page.
std::string_view DecodeHtmlBytes(std::string_view bytes, std::string& buffer);

// A page fetched over HTTP: a byte-order mark first, then the charset its Content-Type header
// names when it is a known one, then as DecodeHtmlBytes.
std::string DecodeServedHtml(std::string_view bytes, std::string_view contentType);

// Whether the start of a page, cut right before a '<' and holding at least its first 1024
// bytes, decodes as the start of every page that begins with it: DecodeHtmlBytes of it is then
// the start of DecodeHtmlBytes of the page.
bool DecodesAsPageStart(std::string_view start);
