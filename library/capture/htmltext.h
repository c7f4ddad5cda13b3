#pragma once
// The title and the visible text of a page, as a browser would lay it out, without running
// scripts or fetching anything: for the title of a captured article and for the catalog's
// search in article texts.
//
// Both functions take the page's bytes as stored (a file's content) and decode them as
// DecodeHtmlBytes does: a page in UTF-8 is read in place, any other is converted once.
// Do not give them DecodeHtmlBytes' result: a page whose <meta> declares another charset
// would be decoded a second time.

#include "htmlcharset.h"

#include <functional>
#include <string>
#include <string_view>

// title: the TITLE text (white space collapsed), left as it was when the page has none.
// text: the visible body text, "\r\n" between blocks. Both UTF-8. Always true.
bool GetHtmlTitleAndText(std::string_view html, std::string& title, std::string& text);

// Byte position of the keyword in the visible text, letters A-Z compared without case;
// -1 when it is not there (0 for an empty keyword). The title is not searched.
// The keyword is UTF-8; the position is in the text GetHtmlTitleAndText gives for the page.
// Buffers are kept per thread between calls, for a search over many pages.
long FindInHtmlText(std::string_view html, std::string_view keyword);

// The find in titles and texts of the catalog, for one item: its title (COMMENT) holds the
// keyword, letters A-Z compared without case; else, with inText and a FILE of more than 4
// bytes, the visible text of its article file does (a missing file has no text). beforeRead
// runs before the file is looked at; searchedFile, when given, receives its full path (empty
// when it is missing). Unreadable: the file is there but cannot be read.
// Buffers are kept per thread, as FindInHtmlText keeps them.
enum class ItemMatch { None, Title, Text, Unreadable };
ItemMatch MatchCatalogItem(const std::string& title, const std::string& file, std::string_view keyword, bool inText,
                           const std::function<void()>& beforeRead = {}, std::string* searchedFile = nullptr);
