#pragma once
// "a b[c d]": the titles of an element's children, branches in brackets.

#include "xmldocument.h"

#include <string>

inline std::string Titles(CXmlNode parent)
{
    std::string s;
    for (CXmlNode n = parent.GetChild(0); n; n = n.GetNextSibling()) {
        s += s.empty() ? "" : " ";
        s += n.GetAttribute("COMMENT");
        if (n.GetChildCount() > 0) {
            s += '[';
            s += Titles(n);
            s += ']';
        }
    }
    return s;
}
