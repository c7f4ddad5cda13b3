#pragma once
// Reads the HTML a browser left on the clipboard, as the "HTML Format" text: the raw
// flavour when a program offers it, otherwise built from text/html with the same header
// of byte offsets, and the page address from the browser's source-address flavour.

#include <cstddef>
#include <string>

class QMimeData;

// Clipboard contents larger than this are not taken.
inline constexpr std::size_t MAX_CLIPBOARD_HTML = 128u << 20;

// The size in bytes of the clipboard's HTML data, with the text in text; 0 (text unchanged)
// when there is none.
std::size_t ReadClipboardHtml(std::string& text);

// The same for given clipboard contents.
std::size_t ClipboardHtmlFrom(const QMimeData& data, std::string& text);

// The "HTML Format" text for a page fragment in UTF-8 and its source address.
std::string MakeClipboardHtml(const std::string& fragment, const std::string& sourceUrl);
