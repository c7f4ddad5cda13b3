#pragma once
// Measures of the dock page bar that need no window: titles shortened to a width and the
// widths of the tabs in the strip.

#include <QString>

#include <functional>
#include <vector>

using TextWidth = std::function<int(const QString&)>;

// The title as it fits in width: while too wide, the last code page 936 double byte goes
// (a whole character, never half of one), at most 10 times; when anything went, one more
// goes and "..." is appended.
QString ShortenTitle(const QString& title, int width, const TextWidth& textWidth);

// A tab's own width: the title's width plus 9, plus 18 more with an icon.
int TabWidth(int textWidth, bool hasIcon);

// How far each tab reaches in a strip of stripWidth pixels, its last pixel left as the gap
// to the next: the tabs' own widths, or when together they are wider than the strip, each
// the smaller of its own width and the strip width shared out among the tabs.
std::vector<int> LayoutTabs(const std::vector<int>& widths, int stripWidth);
