#pragma once
// A page through the cleaner: tokens, then written back.

#include "htmldocument.h"

#include <string>

inline std::string CleanPage(const std::string& page)
{
    CHtmlDocument doc;
    doc.SetHtml(page);
    doc.Parse();
    std::string out;
    doc.GetHtml(out);
    return out;
}
