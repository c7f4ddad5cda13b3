// The streaming extractor against a tree built by gumbo, an HTML5 parser: the same text
// once white space is collapsed, on hand-written pages and on the HTML under /usr/share/doc.
#include "htmltext.h"

#include <gtest/gtest.h>
#include <gumbo.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace {

const std::set<std::string>& hiddenElements()
{
    static const std::set<std::string> names{"script",  "style",    "template", "iframe",
                                             "noembed", "noframes", "xmp",      "title"};
    return names;
}

const std::set<std::string>& blockElements()
{
    static const std::set<std::string> names{
        "address",  "article",    "aside",  "blockquote", "body",    "caption",  "center",
        "dd",       "details",    "dialog", "dir",        "div",     "dl",       "dt",
        "fieldset", "figcaption", "figure", "footer",     "form",    "frameset", "h1",
        "h2",       "h3",         "h4",     "h5",         "h6",      "header",   "hgroup",
        "hr",       "html",       "legend", "li",         "listing", "main",     "menu",
        "nav",      "ol",         "p",      "plaintext",  "pre",     "search",   "section",
        "summary",  "table",      "tbody",  "tfoot",      "thead",   "tr",       "ul"};
    return names;
}

std::string elementName(const GumboElement& e)
{
    if (e.tag != GUMBO_TAG_UNKNOWN)
        return gumbo_normalized_tagname(e.tag);
    GumboStringPiece piece = e.original_tag;
    gumbo_tag_from_original_text(&piece);
    std::string name(piece.data ? piece.data : "", piece.length);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return name;
}

void collectText(const GumboNode* node, std::string& out)
{
    switch (node->type) {
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_WHITESPACE:
    case GUMBO_NODE_CDATA:
        out += node->v.text.text;
        return;
    case GUMBO_NODE_DOCUMENT:
        for (unsigned i = 0; i < node->v.document.children.length; ++i)
            collectText(static_cast<const GumboNode*>(node->v.document.children.data[i]), out);
        return;
    case GUMBO_NODE_ELEMENT: {
        const std::string name = elementName(node->v.element);
        if (hiddenElements().count(name))
            return;
        const bool block = blockElements().count(name) > 0;
        if (block || name == "br")
            out += '\n';
        if (name == "td" || name == "th")
            out += '\t';
        for (unsigned i = 0; i < node->v.element.children.length; ++i)
            collectText(static_cast<const GumboNode*>(node->v.element.children.data[i]), out);
        if (block)
            out += '\n';
        return;
    }
    default: // comments, template contents
        return;
    }
}

// The visible text as gumbo's tree has it.
std::string gumboText(const std::string& utf8)
{
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.data(), utf8.size());
    std::string text;
    collectText(output->document, text);
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return text;
}

// Every run of ASCII white space as one blank; none at either end.
std::string normalise(const std::string& s)
{
    std::string out;
    bool space = false;
    for (const char c : s) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            space = true;
            continue;
        }
        if (space && !out.empty())
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// The visible text of the page's bytes.
std::string ourText(const std::string& bytes)
{
    std::string title, text;
    GetHtmlTitleAndText(bytes, title, text);
    return text;
}

// A few characters either side of the first difference.
std::string diffContext(const std::string& ours, const std::string& theirs)
{
    const auto d = static_cast<std::size_t>(
        std::mismatch(ours.begin(),
                      ours.begin() + static_cast<long>(std::min(ours.size(), theirs.size())),
                      theirs.begin())
            .first -
        ours.begin());
    const std::size_t from = d > 60 ? d - 60 : 0;
    return "  at " + std::to_string(d) + "\n  ours:  [" + ours.substr(from, 140) + "]\n  gumbo: [" +
           theirs.substr(from, 140) + "]";
}

} // namespace

TEST(HtmlTextGumbo, HandWrittenPagesMatch)
{
    const char* pages[] = {
        ("<!DOCTYPE html><html><head><title>T</title><style>p{}</style></head>"
         "<body><h1>Head</h1><p>One <b>two</b> three</p><ul><li>a<li>b</ul>end</body></html>"),
        "<p>a<div>b</div>c</p><table><tr><td>1<td>2<tr><td>3</table>tail",
        "<script>var s = '</b><!--';</script><p>after &amp; &lt;x&gt; &copy; &#x263A; &#169;</p>",
        "<div title=\"a > b\" data-x='<p>'>quoted</div><!-- <p>hidden</p> -->shown",
        "<pre>\n  keep\n\n  lines</pre><textarea>\n<b>raw</b> &amp;</textarea>",
        "<noscript><p>no "
        "script</p></noscript><template><p>inert</p></template><iframe><p>x</p></iframe>",
        "Line<br>break<br/>again<hr>rule<p>para</p><blockquote>quote</blockquote>",
        "<dl><dt>term<dd>definition</dl><address>addr</address><center>c</center>",
        "<p>Unclosed <i>italic <b>bold</p>next",
        "<svg><title>icon</title><text>label</text></svg><math><mi>x</mi></math>",
        "<script><!-- document.write('<script>x</script>'); --></script>after<script><!--> "
        "</script>x",
        "a<!-->b<!--->c<!-- x --!>d<!-- -- > --->e<![CDATA[f]]>g</ b>h</>i",
        "&copy2024 &ampx &notit; &notin; &AMP &Amp &eacutex "
        "&#x80;&#150;&#x81;&#0;&#xD800;&#x110000;",
        "<p a=\"1\"b='2'c=3/>x</p foo='>'><a b=\"'\" c='\"'>e</a><SCRIPT>a</Script >b",
        "<plaintext><p>all of this & that is text",
    };
    for (const char* page : pages)
        EXPECT_EQ(normalise(ourText(page)), normalise(gumboText(page))) << page;
}

TEST(HtmlTextGumbo, EncodedPagesMatchOnceDecoded)
{
    // The extractor takes the bytes; gumbo gets them decoded by DecodeHtmlBytes.
    const std::string pages[] = {
        "<meta charset=gbk><title>\xB1\xEA\xCC\xE2</title><p>\xD6\xD0\xCE\xC4<br>&amp; x</p>",
        "<title>\xB1\xEA\xCC\xE2</title><p>\xD6\xD0\xCE\xC4</p><pre>\xCE\xC4 \n y</pre>",
        "<meta http-equiv=Content-Type content='text/html; charset=iso-8859-1'><p>caf\xE9</p>",
        "<meta charset=big5><p>\xA4\xA4</p><td>\xA4\xE5",
        std::string("\xFF\xFE<\0p\0>\0-\0N\0<\0/\0p\0>\0x\0", 22),
    };
    for (const std::string& page : pages)
        EXPECT_EQ(normalise(ourText(page)), normalise(gumboText(DecodeHtmlBytes(page)))) << page;
}

TEST(HtmlTextGumbo, AgreesOnTheDocumentationPages)
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator
             it("/usr/share/doc", std::filesystem::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".html" && it->is_regular_file(ec))
            files.push_back(it->path());
    if (files.empty())
        GTEST_SKIP() << "no HTML files under /usr/share/doc";
    std::sort(files.begin(), files.end());

    std::size_t same = 0, shown = 0;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        const std::string ours = normalise(ourText(bytes));
        const std::string theirs = normalise(gumboText(DecodeHtmlBytes(bytes)));
        if (ours == theirs) {
            ++same;
            continue;
        }
        std::printf("differs from gumbo: %s\n", file.c_str());
        if (shown++ < 5)
            std::printf("%s\n", diffContext(ours, theirs).c_str());
    }
    const double rate = static_cast<double>(same) / static_cast<double>(files.size());
    std::printf("%zu of %zu pages agree with gumbo (%.1f%%)\n", same, files.size(), 100 * rate);
    EXPECT_GE(rate, 0.95);
}
