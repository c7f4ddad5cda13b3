#include "pagecapture.h"

#include "cssurls.h"
#include "fileutil.h"
#include "htmldocument.h"
#include "htmlentities.h"
#include "linklocalizer.h"
#include "links.h"
#include "storage.h"

#include <map>
#include <unordered_map>

namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = lower(c);
    return out;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The value as it is written into a double-quoted attribute.
std::string attributeText(std::string_view value)
{
    std::string out = "\"";
    for (char c : value) {
        if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out + "\"";
}

struct SrcsetCandidate
{
    std::string url;
    std::string descriptor;
};

// The candidates of a srcset value, as browsers split it.
std::vector<SrcsetCandidate> parseSrcset(std::string_view s)
{
    std::vector<SrcsetCandidate> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (isSpace(s[i]) || s[i] == ','))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && !isSpace(s[i]))
            ++i;
        std::string url(s.substr(start, i - start));
        std::string descriptor;
        if (!url.empty() && url.back() == ',') {
            while (!url.empty() && url.back() == ',')
                url.pop_back();
        } else {
            int depth = 0;
            const std::size_t d = i;
            for (; i < s.size(); ++i) {
                if (s[i] == '(')
                    ++depth;
                else if (s[i] == ')' && depth > 0)
                    --depth;
                else if (s[i] == ',' && depth == 0)
                    break;
            }
            descriptor = std::string(s.substr(d, i - d));
            while (!descriptor.empty() && isSpace(descriptor.front()))
                descriptor.erase(0, 1);
            while (!descriptor.empty() && isSpace(descriptor.back()))
                descriptor.pop_back();
        }
        if (!url.empty())
            out.push_back({std::move(url), std::move(descriptor)});
    }
    return out;
}

// A src that only stands in until a script loads the real picture.
bool isPlaceholder(const std::string& src)
{
    if (src.empty())
        return true;
    const std::string l = lowered(src);
    if (l.rfind("data:", 0) == 0 || l.rfind("about:", 0) == 0)
        return true;
    for (const char* word : {"placeholder", "blank.", "spacer", "lazy", "pixel.", "loading", "transparent.", "none.",
                             "grey.", "gray.", "1x1", "empty."})
        if (l.find(word) != std::string::npos)
            return true;
    return false;
}

constexpr std::pair<const char*, const char*> kTypes[] = {
    {"text/css", "css"},         {"image/png", "png"},   {"image/jpeg", "jpg"},  {"image/gif", "gif"},
    {"image/svg+xml", "svg"},    {"image/webp", "webp"}, {"image/avif", "avif"}, {"image/x-icon", "ico"},
    {"image/vnd.microsoft.icon", "ico"}, {"font/woff2", "woff2"}, {"font/woff", "woff"},
    {"application/font-woff", "woff"}, {"font/ttf", "ttf"}, {"font/otf", "otf"}, {"application/pdf", "pdf"},
    {"image/bmp", "bmp"},        {"video/mp4", "mp4"},   {"video/webm", "webm"}};

// The file type a content type calls for, when the name does not already say it.
std::string extensionFor(const std::string& contentType, const std::string& name)
{
    const std::string type = lowered(contentType.substr(0, contentType.find(';')));
    const std::string ext = lowered(GetFileExt(name));
    for (const auto& [mime, wanted] : kTypes) {
        if (type != mime)
            continue;
        if (ext == wanted || (ext == "jpeg" && std::string_view(wanted) == "jpg"))
            return {};
        return wanted;
    }
    return {};
}

// The content type of a file by the type its name ends in; "" when unknown.
std::string typeOfFile(const std::string& name)
{
    std::string ext = lowered(GetFileExt(name));
    if (ext == "jpeg")
        ext = "jpg";
    for (const auto& [mime, known] : kTypes)
        if (ext == known)
            return mime;
    return {};
}

std::string base64(std::string_view bytes)
{
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

// The property of the declaration that a reference at `at` stands in, lower case; "" when
// there is none (a rule's prelude, @import).
std::string propertyAt(std::string_view css, std::size_t at)
{
    const std::size_t last = at == 0 ? std::string_view::npos : css.find_last_of(";{}", at - 1);
    const std::size_t start = last == std::string_view::npos ? 0 : last + 1;
    std::string_view name = css.substr(start, at - start);
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos)
        return {};
    name = name.substr(0, colon);
    for (;;) {
        while (!name.empty() && isSpace(name.front()))
            name.remove_prefix(1);
        if (name.substr(0, 2) != "/*")
            break;
        const std::size_t close = name.find("*/");
        name = close == std::string_view::npos ? std::string_view() : name.substr(close + 2);
    }
    while (!name.empty() && isSpace(name.back()))
        name.remove_suffix(1);
    if (name.empty() || name.find_first_of(" \t\r\n\f\"'()/") != std::string_view::npos)
        return {};
    return lowered(name);
}

// Where a browser reads a file of the copy only within the page's own origin, which a file
// does not share (masks, shapes), or against another sheet than the one it is written in
// (a custom property's value goes wherever var() takes it): such files are written into the
// sheet itself.
bool wantsFileInline(const std::string& property)
{
    return property.rfind("--", 0) == 0 || property.find("mask") != std::string::npos || property == "shape-outside";
}

std::string withoutFragment(const std::string& url, std::string* fragment)
{
    const std::size_t hash = url.find('#');
    if (fragment)
        *fragment = hash == std::string::npos ? std::string() : url.substr(hash);
    return url.substr(0, hash);
}

bool relContains(const std::string& rel, std::string_view word)
{
    const std::string l = lowered(rel);
    std::size_t i = 0;
    while (i < l.size()) {
        while (i < l.size() && isSpace(l[i]))
            ++i;
        const std::size_t start = i;
        while (i < l.size() && !isSpace(l[i]))
            ++i;
        if (std::string_view(l).substr(start, i - start) == word)
            return true;
    }
    return false;
}

class Capture
{
public:
    Capture(CHtmlDocument& document, const std::string& source, const std::string& attachDir,
            const std::string& attachName, const CaptureFetcher& fetcher, const CaptureOptions& options)
        : m_document(document), m_base(document.EffectiveBase(source)), m_attachDir(attachDir),
          m_attachName(attachName), m_fetcher(fetcher), m_options(options),
          m_pageAllowsFiles(ClassifyUrl(source) == URL_FILE)
    {
    }

    CaptureReport Run()
    {
        walk(false);
        fetchAll();
        rewriteSheets();
        walk(true);
        dropNoscriptTwins();
        insertSprites();
        CaptureReport report;
        report.cancelled = m_cancelled;
        report.found = m_resources.size();
        for (const Resource& r : m_resources) {
            // After Cancel, what was never asked for did not come either: it is listed, so
            // that no success is reported for a page that is not whole.
            if (r.ok)
                ++report.local;
            else if (r.tried || (m_cancelled && ClassifyUrl(r.url) == URL_HTTP))
                (r.embedded ? report.failures : report.hrefFailures).push_back(r.url);
        }
        return report;
    }

private:
    struct Resource
    {
        std::string url;
        bool embedded = false;
        bool css = false;
        int depth = 0;
        std::string allowedDir; // file:// resources may come from here (a sheet copied from disk)
        bool tried = false, ok = false, parsed = false;
        std::string local;      // the file in the attachment folder
        std::string sheetBase;  // what the sheet's own links resolve against
    };

    // The absolute address of a link, or "" when it cannot be fetched (another scheme, a
    // relative link without a usable base, a file the page may not read).
    std::string absolute(const std::string& raw, const std::string& base, const std::string& allowedDir) const
    {
        const std::string value = htmltext::decodeCharRefs(raw);
        const int kind = ClassifyUrl(value);
        if (kind == URL_OTHER)
            return {};
        if (kind == URL_RELATIVE && base.size() <= 5)
            return {};
        std::string url = kind == URL_RELATIVE ? ResolveUrl(value, base) : ResolveUrl(value, "");
        const int resolved = ClassifyUrl(url);
        if (resolved == URL_FILE && !m_pageAllowsFiles &&
            (allowedDir.empty() || !PathStartsWith(filePath(url), allowedDir + "/")))
            return {};
        return resolved == URL_HTTP || resolved == URL_FILE ? url : std::string();
    }

    static std::string filePath(const std::string& url)
    {
        std::string path = url.substr(7);
        while (path.size() > 1 && path[0] == '/' && path[1] == '/')
            path.erase(0, 1);
        return PercentDecode(withoutFragment(path.substr(0, path.find('?')), nullptr));
    }

    // Registers an address the page needs (once; past the limits it is left as it is).
    void want(const std::string& url, bool embedded, bool css, int depth, const std::string& allowedDir = {})
    {
        const std::string key = withoutFragment(url, nullptr);
        const auto it = m_index.find(key);
        if (it != m_index.end()) {
            Resource& r = m_resources[it->second];
            r.embedded = r.embedded || embedded;
            r.css = r.css || css;
            return;
        }
        if (m_resources.size() >= m_options.maxResources || depth > m_options.maxDepth)
            return;
        Resource r;
        r.url = key;
        r.embedded = embedded;
        r.css = css;
        r.depth = depth;
        r.allowedDir = allowedDir;
        m_resources.push_back(std::move(r));
        m_index.emplace(key, m_resources.size() - 1);
    }

    const Resource* found(const std::string& url) const
    {
        const auto it = m_index.find(withoutFragment(url, nullptr));
        return it == m_index.end() ? nullptr : &m_resources[it->second];
    }

    // The link to the copy of a resource, through folder ("" inside the attachment folder).
    static std::string linkTo(const Resource& r, const std::string& folder)
    {
        return AttachmentLink(folder, GetFileNamePart(r.local));
    }

    bool isLocal(const std::string& value) const
    {
        return !m_attachName.empty() && value.find(m_attachName) != std::string::npos;
    }

    // One URL attribute: registered in the first walk, rewritten in the second. False when
    // the attribute was left as it was.
    bool single(CHtmlTag& tag, const char* attribute, const std::string& raw, bool embedded, bool css,
                const char* writeAs = nullptr)
    {
        const std::string url = absolute(raw, m_base, {});
        if (url.empty())
            return false;
        if (!m_apply) {
            want(url, embedded, css, 0);
            return true;
        }
        std::string fragment;
        withoutFragment(url, &fragment);
        const Resource* r = found(url);
        const std::string target = writeAs ? writeAs : attribute;
        if (r && r->ok) {
            tag.SetAttribute(target, QuoteAttributeValue(linkTo(*r, m_attachName) + fragment, true));
            dropFetchChecks(tag);
        }
        else if (std::string_view(attribute) == "BACKGROUND" && ClassifyUrl(htmltext::decodeCharRefs(raw)) == URL_RELATIVE && r && r->tried)
            tag.RemoveAttribute("BACKGROUND");
        else
            tag.SetAttribute(target, QuoteAttributeValue(url, true)); // a lazy picture keeps its address
        return true;
    }

    void srcset(CHtmlTag& tag, const std::string& raw, const char* writeAs)
    {
        const std::vector<SrcsetCandidate> candidates = parseSrcset(htmltext::decodeCharRefs(raw));
        std::string written;
        for (const SrcsetCandidate& c : candidates) {
            const std::string url = absolute(c.url, m_base, {});
            if (url.empty() && !m_apply)
                continue;
            if (!m_apply) {
                want(url, true, false, 0);
                continue;
            }
            const Resource* r = url.empty() ? nullptr : found(url);
            std::string link = r && r->ok ? linkTo(*r, m_attachName) : url.empty() ? c.url : url;
            if (!written.empty())
                written += ", ";
            written += link;
            if (!c.descriptor.empty())
                written += " " + c.descriptor;
        }
        if (m_apply && !candidates.empty()) {
            tag.SetAttribute(writeAs, attributeText(written));
            dropFetchChecks(tag);
        }
    }

    // A style sheet loaded late by a handler that the copy loses: <link rel=preload as=style
    // onload="this.rel='stylesheet'"> or <link rel=stylesheet media=print
    // onload="this.media='all'">. The copy takes the sheet as the handler would have.
    static void loadStyleAsItsHandlerWould(CHtmlTag& tag, bool preloadedStyle)
    {
        std::string handler;
        if (tag.GetAttribute("ONLOAD", handler) < 0)
            return;
        std::string plain;
        for (char c : htmltext::decodeCharRefs(handler))
            if (!isSpace(c))
                plain += c == '"' ? '\'' : lower(c);
        if (preloadedStyle && plain.find("this.rel='stylesheet'") != std::string::npos) {
            tag.SetAttribute("REL", "\"stylesheet\"");
            tag.RemoveAttribute("AS");
        }
        if (plain.find("this.media='all'") != std::string::npos)
            tag.RemoveAttribute("MEDIA");
    }

    // A local copy is a file: a browser refuses it a cross-origin request, and an integrity
    // check fails once its links are rewritten.
    static void dropFetchChecks(CHtmlTag& tag)
    {
        tag.RemoveAttribute("CROSSORIGIN");
        tag.RemoveAttribute("INTEGRITY");
    }

    // The links of a style sheet's text, against base; local copies are linked through
    // linkFolder (the attachment folder's name, or "" for a sheet inside that folder).
    std::string sheet(const std::string& css, const std::string& base, int depth, const std::string& allowedDir,
                      const std::string& linkFolder, bool& changed)
    {
        const std::vector<CssReference> refs = FindCssReferences(css);
        changed = false;
        if (!m_apply) {
            for (const CssReference& ref : refs)
                if (const std::string url = absolute(ref.url, base, allowedDir); !url.empty())
                    want(url, true, ref.isImport, depth, allowedDir);
            return {};
        }
        const std::string out = RewriteCssReferences(css, refs, [&](const CssReference& ref) -> std::optional<std::string> {
            const std::string url = absolute(ref.url, base, allowedDir);
            if (url.empty() || isLocal(ref.url))
                return std::nullopt;
            std::string fragment;
            withoutFragment(url, &fragment);
            const Resource* r = found(url);
            changed = true;
            if (r && r->ok) {
                if (const std::string data = inlined(*r, css, ref); !data.empty())
                    return data + fragment;
                return linkTo(*r, linkFolder) + fragment;
            }
            return url;
        });
        return out;
    }

    // A file's data: address for a reference that needs it (see wantsFileInline), else "".
    // Each file is encoded once; past a budget for the whole capture, links stay files.
    std::string inlined(const Resource& r, const std::string& css, const CssReference& ref)
    {
        constexpr std::size_t kMaxInlined = 128 * 1024;
        constexpr std::size_t kBudget = 8u << 20;
        if (ref.isImport || !wantsFileInline(propertyAt(css, ref.begin)))
            return {};
        auto it = m_dataAddresses.find(r.local);
        if (it == m_dataAddresses.end()) {
            const std::string type = typeOfFile(r.local);
            std::string bytes, data;
            if (!type.empty() && type != "text/css" && ReadWholeFile(r.local, bytes, kMaxInlined) == 0)
                data = "data:" + type + ";base64," + base64(bytes);
            it = m_dataAddresses.emplace(r.local, std::move(data)).first;
        }
        if (it->second.empty() || m_inlinedBytes + it->second.size() > kBudget)
            return {};
        m_inlinedBytes += it->second.size();
        return it->second;
    }

    void tagLinks(CHtmlTag& tag)
    {
        const std::string name(tag.GetName());
        std::string value;
        if (tag.GetAttribute("HREF", value) >= 0 && !value.empty()) {
            if (isLocal(value))
                return;
            std::string rel;
            tag.GetAttribute("REL", rel);
            const bool svgLink = name == "IMAGE" || name == "USE" || name == "FEIMAGE";
            std::string as;
            const bool preload = name == "LINK" && relContains(rel, "preload") && tag.GetAttribute("AS", as) >= 0;
            as = lowered(as);
            if (name == "LINK" && m_apply)
                loadStyleAsItsHandlerWould(tag, preload && as == "style");
            // The copy runs no script: a hint to fetch one would only reach for the network.
            if (name == "LINK" && m_apply && ((preload && (as == "script" || as == "worker")) ||
                                              relContains(rel, "modulepreload"))) {
                tag.RemoveAttribute("HREF");
                return;
            }
            if ((name == "LINK" && relContains(rel, "stylesheet")) || (preload && as == "style"))
                single(tag, "HREF", value, true, true);
            else if (preload && (as == "font" || as == "image" || as == "video" || as == "audio" || as == "track"))
                single(tag, "HREF", value, true, false);
            else if (name == "USE" && spriteUse(tag, "HREF", value))
                ; // the symbol is in the page now
            else if ((name == "LINK" && (relContains(rel, "icon") || relContains(rel, "apple-touch-icon"))) || svgLink)
                single(tag, "HREF", value, true, false);
            else if (IsDownloadType(withoutFragment(htmltext::decodeCharRefs(value), nullptr), m_options.fileTypes))
                single(tag, "HREF", value, false, false);
        }
        if ((name == "IMAGE" || name == "USE" || name == "FEIMAGE") && tag.GetAttribute("XLINK:HREF", value) >= 0 &&
            !isLocal(value) && !(name == "USE" && spriteUse(tag, "XLINK:HREF", value)))
            single(tag, "XLINK:HREF", value, true, false);
        if (name == "PARAM" && tag.GetAttribute("VALUE", value) >= 0 && !isLocal(value)) {
            std::string param;
            tag.GetAttribute("NAME", param);
            param = lowered(param);
            if (param == "movie" || param == "src")
                single(tag, "VALUE", value, true, false);
        }
        std::string src;
        const bool hasSrc = tag.GetAttribute("SRC", src) >= 0;
        std::string lazy;
        const char* lazyName = nullptr;
        // Where lazy loaders keep the picture; the names after the first three only on IMG.
        static constexpr const char* kLazy[] = {"DATA-SRC",        "DATA-ORIGINAL", "DATA-LAZY-SRC", "DATA-LAZY",
                                                "DATA-ORIGINAL-SRC", "DATA-ACTUALSRC", "DATA-ECHO",   "DATA-LAZYLOAD",
                                                "DATA-KS-LAZYLOAD", "LAZY-SRC",      "FILE",          "ZOOMFILE"};
        for (std::size_t k = 0; k < std::size(kLazy) && !lazyName && (k < 3 || name == "IMG"); ++k)
            if (tag.GetAttribute(kLazy[k], lazy) >= 0 && !lazy.empty())
                lazyName = kLazy[k];
        if (lazyName && (!hasSrc || isPlaceholder(src)) && !isLocal(lazy)) {
            if (single(tag, lazyName, lazy, true, false, "SRC") && m_apply) {
                for (const char* loaderData : kLazy)
                    tag.RemoveAttribute(loaderData);
                showAsLoaded(tag);
                // Its NOSCRIPT twin goes only when the picture itself is in the copy.
                if (const Resource* r = found(absolute(lazy, m_base, {})); r && r->ok)
                    m_loadedLazily.push_back(m_token);
            }
        } else if (hasSrc && !src.empty() && !isLocal(src)) {
            single(tag, "SRC", src, true, false);
        }
        std::string set;
        if (tag.GetAttribute("DATA-SRCSET", set) >= 0 && !set.empty()) {
            srcset(tag, set, "SRCSET");
            if (m_apply)
                tag.RemoveAttribute("DATA-SRCSET");
        } else if (tag.GetAttribute("SRCSET", set) >= 0 && !set.empty() && !isLocal(set)) {
            srcset(tag, set, "SRCSET");
        }
        if (name == "LINK" && tag.GetAttribute("IMAGESRCSET", set) >= 0 && !set.empty() && !isLocal(set))
            srcset(tag, set, "IMAGESRCSET");
        for (const char* attribute : {"POSTER", "BACKGROUND"})
            if (tag.GetAttribute(attribute, value) >= 0 && !value.empty() && !isLocal(value))
                single(tag, attribute, value, true, false);
        if (name == "OBJECT" && tag.GetAttribute("DATA", value) >= 0 && !value.empty() && !isLocal(value))
            single(tag, "DATA", value, true, false);
        const int style = tag.GetAttribute("STYLE", value);
        if (style >= 0 && value.find("url") != std::string::npos) {
            std::string_view stored = tag.AttributeValue(static_cast<std::size_t>(style));
            if (stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') && stored.back() == stored.front())
                stored = stored.substr(1, stored.size() - 2);
            bool changed = false;
            const std::string out = sheet(htmltext::decodeCharRefs(stored), m_base, 1, {}, m_attachName, changed);
            if (m_apply && changed)
                tag.SetAttribute("STYLE", attributeText(out));
        }
    }

    // An SVG <use> of a symbol in a file of its own: a browser does not let a copy opened from
    // the disk use another file's symbols, so that file's shapes go into the page (see
    // spriteShapes, once per file) and the use points at them there.
    bool spriteUse(CHtmlTag& tag, const char* attribute, const std::string& raw)
    {
        constexpr std::size_t kMaxSprite = 1 << 20;
        if (!m_apply)
            return false;
        const std::string url = absolute(raw, m_base, {});
        std::string fragment;
        withoutFragment(url, &fragment);
        const Resource* r = url.empty() ? nullptr : found(url);
        if (!r || !r->ok || fragment.size() < 2 || typeOfFile(r->local) != "image/svg+xml")
            return false;
        if (m_sprites.find(r->local) == m_sprites.end()) {
            std::string bytes;
            if (ReadWholeFile(r->local, bytes, kMaxSprite) != 0)
                return false;
            std::string shapes = spriteShapes(std::move(bytes));
            if (shapes.empty())
                return false;
            m_sprites.emplace(r->local, std::move(shapes));
        }
        tag.SetAttribute(attribute, QuoteAttributeValue(fragment, true));
        return true;
    }

    // The shapes of an SVG file, for the page: only SVG shape, group and paint elements, each
    // tag written whole as the page's tokenizer read it (nothing in a comment, a text or an
    // attribute becomes markup), closed in order; no text, style, script or handler, and no
    // tag that links out of the file.
    static std::string spriteShapes(std::string bytes)
    {
        static constexpr std::string_view kShapes[] = {
            "SVG",  "SYMBOL",  "G",       "DEFS",     "PATH",           "CIRCLE",         "ELLIPSE", "LINE",
            "RECT", "POLYGON", "POLYLINE", "USE",     "LINEARGRADIENT", "RADIALGRADIENT", "STOP",    "CLIPPATH",
            "MASK", "PATTERN"};
        CHtmlDocument sprite;
        sprite.SetHtml(std::move(bytes));
        if (!sprite.Parse())
            return {};
        std::string out;
        std::vector<std::string> open;
        for (const auto& token : sprite.Tokens()) {
            if (token->GetKind() != TOKEN_TAG || !token->IsParsed())
                continue;
            const auto& tag = static_cast<const CHtmlTag&>(*token);
            std::string_view name = tag.GetName();
            const bool end = !name.empty() && name.front() == '/';
            if (end)
                name.remove_prefix(1);
            if (std::find(std::begin(kShapes), std::end(kShapes), name) == std::end(kShapes))
                continue;
            if (end) {
                if (!open.empty() && open.back() == name) {
                    out += "</" + lowered(name) + ">";
                    open.pop_back();
                }
                continue;
            }
            std::string written = "<" + lowered(name);
            bool linksOut = false;
            for (std::size_t i = 0; i < tag.AttributeCount() && !linksOut; ++i) {
                const std::string attribute = lowered(tag.AttributeName(i));
                if (IsFilteredAttribute(attribute) || attribute == "style")
                    continue;
                const std::string value = lowered(htmltext::decodeCharRefs(tag.AttributeValue(i)));
                std::string plain; // the value without quotes and blanks
                for (char c : value)
                    if (!isSpace(c) && c != '"' && c != '\'')
                        plain += c;
                if (attribute.find("href") != std::string::npos)
                    linksOut = plain.empty() || plain.front() != '#';
                for (std::size_t u = plain.find("url("); u != std::string::npos && !linksOut; u = plain.find("url(", u + 4))
                    linksOut = plain.compare(u + 4, 1, "#") != 0;
                written += " ";
                written += tag.AttributeName(i);
                if (tag.AttributeHasValue(i)) {
                    written += "=";
                    written += tag.AttributeValue(i);
                }
            }
            if (linksOut)
                continue;
            if (tag.IsSelfClosing()) {
                out += written + "/>";
            } else {
                out += written + ">";
                open.emplace_back(name);
            }
        }
        for (auto it = open.rbegin(); it != open.rend(); ++it)
            out += "</" + lowered(*it) + ">";
        return out.find("<symbol") == std::string::npos && out.find(" id=") == std::string::npos ? std::string() : out;
    }

    // The shapes of the files that <use> elements took, hidden, at the start of the body (at
    // the end of a page that has none).
    void insertSprites()
    {
        if (m_sprites.empty())
            return;
        std::string markup = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"0\" height=\"0\" "
                             "style=\"position:absolute\" aria-hidden=\"true\">";
        for (const auto& [file, shapes] : m_sprites)
            markup += shapes;
        markup += "</svg>";
        auto& tokens = m_document.Tokens();
        std::size_t at = tokens.size();
        for (std::size_t i = 0; i < tokens.size(); ++i)
            if (tokens[i]->GetKind() == TOKEN_TAG && tokens[i]->GetName() == "BODY") {
                at = i + 1;
                break;
            }
        tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(at), std::make_unique<CHtmlText>(markup, TOKEN_MARKUP));
    }

    // A lazily loaded picture as its loader leaves it: the classes that hide it until then
    // are those of a loaded one.
    static void showAsLoaded(CHtmlTag& tag)
    {
        std::string classes;
        if (tag.GetAttribute("CLASS", classes) < 0)
            return;
        classes = htmltext::decodeCharRefs(classes);
        std::string out, word;
        for (std::size_t i = 0; i <= classes.size(); ++i) {
            if (i < classes.size() && !isSpace(classes[i])) {
                word += classes[i];
                continue;
            }
            if (word == "lazyload" || word == "lazyloading")
                word = "lazyloaded";
            else if (word == "lazy-hidden")
                word = "lazy-loaded";
            if (!word.empty())
                out += (out.empty() ? "" : " ") + word;
            word.clear();
        }
        tag.SetAttribute("CLASS", attributeText(out));
    }

    // The NOSCRIPT twin right after a lazily loaded picture that is now shown is left out, as
    // a browser running scripts leaves it out (the cleaner keeps NOSCRIPT contents).
    void dropNoscriptTwins()
    {
        auto& tokens = m_document.Tokens();
        const auto isTag = [&](std::size_t i, std::string_view name) {
            return tokens[i]->GetKind() == TOKEN_TAG && tokens[i]->GetName() == name;
        };
        const auto blank = [&](std::size_t i) {
            return std::all_of(tokens[i]->RawText().begin(), tokens[i]->RawText().end(), isSpace);
        };
        std::vector<std::pair<std::size_t, std::size_t>> twins;
        for (const std::size_t picture : m_loadedLazily) {
            std::size_t open = picture + 1;
            while (open < tokens.size() && tokens[open]->GetKind() == TOKEN_TEXT && blank(open))
                ++open;
            if (open >= tokens.size() || !isTag(open, "NOSCRIPT"))
                continue;
            // Only pictures: a NOSCRIPT that says more stays.
            std::size_t close = open + 1;
            while (close < tokens.size() &&
                   (isTag(close, "IMG") || isTag(close, "PICTURE") || isTag(close, "/PICTURE") ||
                    isTag(close, "SOURCE") || (tokens[close]->GetKind() == TOKEN_TEXT && blank(close))))
                ++close;
            if (close < tokens.size() && isTag(close, "/NOSCRIPT"))
                twins.emplace_back(open, close + 1);
        }
        for (auto it = twins.rbegin(); it != twins.rend(); ++it)
            tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(it->first),
                         tokens.begin() + static_cast<std::ptrdiff_t>(it->second));
    }

    void walk(bool apply)
    {
        m_apply = apply;
        std::string_view element;
        for (m_token = 0; m_token < m_document.Tokens().size(); ++m_token) {
            const auto& token = m_document.Tokens()[m_token];
            if (token->GetKind() == TOKEN_RAWTEXT && element == "STYLE") {
                bool changed = false;
                const std::string out = sheet(token->RawText(), m_base, 1, {}, m_attachName, changed);
                if (apply && changed)
                    token->SetText(out);
                continue;
            }
            auto* tag = token->GetKind() == TOKEN_TAG ? static_cast<CHtmlTag*>(token.get()) : nullptr;
            if (!tag || !tag->IsParsed())
                continue;
            element = tag->GetName();
            if (tag->IsWritten() && element.front() != '/')
                tagLinks(*tag);
        }
    }

    // Copies a local file into the attachment folder (a file of that name there is reused).
    bool takeLocal(Resource& r, const std::string& file)
    {
        const std::string name = GetFileNamePart(GetExistingName(file));
        if (!IsPlainFileName(name))
            return false;
        const std::string destination = m_attachDir + "/" + name;
        if (!(PathExists(destination) && PathStartsWith(destination, m_attachDir))) {
            std::string bytes;
            if (ReadWholeFile(file, bytes, std::size_t(1) << 30) != 0 || !WriteFileAtomically(destination, bytes))
                return false;
        }
        r.local = destination;
        return true;
    }

    void parseSheet(std::size_t index)
    {
        Resource& r = m_resources[index];
        r.parsed = true;
        std::string css;
        if (ReadWholeFile(r.local, css, m_options.maxSheetBytes) != 0)
            return;
        bool changed = false;
        const std::string base = r.sheetBase;
        const std::string allowed = r.allowedDir;
        const int depth = r.depth + 1;
        sheet(css, base, depth, allowed, {}, changed); // may grow m_resources: r is not used after
    }

    void fetchAll()
    {
        std::size_t next = 0;
        while (next < m_resources.size() && !m_cancelled) {
            std::vector<DownloadRequest> requests;
            std::vector<std::size_t> owners;
            for (; next < m_resources.size(); ++next) {
                Resource& r = m_resources[next];
                r.tried = true;
                std::string file;
                if (ClassifyUrl(r.url) == URL_FILE) {
                    file = filePath(r.url);
                    if (!PathExists(file)) {
                        r.tried = false; // a missing local file is no failure to report
                        continue;
                    }
                } else {
                    const auto memo = g_downloaded.find(r.url);
                    if (memo != g_downloaded.end() && memo->second.size() > 2 && PathExists(memo->second))
                        file = memo->second;
                    else if (m_fetcher.lookup)
                        file = m_fetcher.lookup(r.url);
                }
                if (!file.empty()) {
                    r.ok = takeLocal(r, file);
                    if (r.ok && r.css) {
                        r.sheetBase = PathToFileUrl(file);
                        r.allowedDir = file.substr(0, file.rfind('/'));
                        parseSheet(next);
                    }
                    continue;
                }
                if (ClassifyUrl(r.url) != URL_HTTP || !m_fetcher.download)
                    continue;
                DownloadRequest request;
                request.url = r.url;
                request.path = m_attachDir + "/" + CaptureFileName(r.url);
                requests.push_back(std::move(request));
                owners.push_back(next);
            }
            if (requests.empty())
                continue;
            m_cancelled = !m_fetcher.download(requests);
            for (std::size_t k = 0; k < requests.size(); ++k) {
                DownloadRequest& request = requests[k];
                Resource& r = m_resources[owners[k]];
                std::string path = request.finalPath.empty() ? request.path : request.finalPath;
                if (!request.ok || !PathExists(path)) {
                    g_downloaded[r.url].clear();
                    continue;
                }
                if (const std::string ext = extensionFor(request.contentType, path); !ext.empty()) {
                    const std::string renamed = path + "." + ext;
                    if (!PathExists(renamed) && std::rename(path.c_str(), renamed.c_str()) == 0)
                        path = renamed;
                }
                g_downloaded[r.url] = path;
                r.ok = true;
                r.local = path;
                r.css = r.css || lowered(request.contentType).find("text/css") != std::string::npos;
                r.sheetBase = request.effectiveUrl.empty() ? r.url : request.effectiveUrl;
            }
            for (std::size_t owner : owners)
                if (m_resources[owner].ok && m_resources[owner].css && !m_resources[owner].parsed)
                    parseSheet(owner);
        }
    }

    void rewriteSheets()
    {
        m_apply = true;
        for (std::size_t i = 0; i < m_resources.size(); ++i) {
            if (!m_resources[i].ok || !m_resources[i].css)
                continue;
            const Resource r = m_resources[i];
            std::string css;
            if (ReadWholeFile(r.local, css, m_options.maxSheetBytes) != 0)
                continue;
            bool changed = false;
            // A sheet's own files lie beside it: their links are bare names.
            const std::string out = sheet(css, r.sheetBase, r.depth + 1, r.allowedDir, {}, changed);
            if (changed)
                WriteFileAtomically(r.local, out);
        }
        m_apply = false;
    }

    CHtmlDocument& m_document;
    std::string m_base;
    std::string m_attachDir;
    std::string m_attachName;
    const CaptureFetcher& m_fetcher;
    const CaptureOptions& m_options;
    bool m_pageAllowsFiles;
    bool m_apply = false;
    bool m_cancelled = false;
    std::vector<Resource> m_resources;
    std::unordered_map<std::string, std::size_t> m_index;
    std::size_t m_token = 0;                // the token the walk is at
    std::map<std::string, std::string> m_sprites; // SVG files whose shapes go into the page
    std::unordered_map<std::string, std::string> m_dataAddresses; // files written into sheets
    std::size_t m_inlinedBytes = 0;
    std::vector<std::size_t> m_loadedLazily; // pictures whose lazy loader the copy stands in for
};

} // namespace

CaptureReport CapturePageResources(CHtmlDocument& document, const std::string& source, const std::string& attachDir,
                                   const std::string& attachName, const CaptureFetcher& fetcher,
                                   const CaptureOptions& options)
{
    if (attachDir.empty() || attachName.empty())
        return {}; // nowhere to put files: the page keeps its links
    return Capture(document, source, attachDir, attachName, fetcher, options).Run();
}

std::string CaptureFileName(const std::string& address)
{
    std::string path = withoutFragment(address, nullptr);
    const std::size_t query = path.find('?');
    std::string tail = path.substr(0, query);
    tail = tail.substr(tail.rfind('/') == std::string::npos ? 0 : tail.rfind('/') + 1);
    if (query != std::string::npos)
        tail = path.substr(query + 1) + "_" + tail; // the query tells apart, the name keeps its type at the end
    std::string plain;
    for (char c : tail)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_')
            plain += c;
    if (plain.size() > 40)
        plain = plain.substr(plain.size() - 40);
    while (!plain.empty() && plain.front() == '.')
        plain.erase(0, 1);
    return MakeArticleId() + plain;
}

std::string AttachmentLink(const std::string& attachName, const std::string& fileName)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string link = attachName.empty() ? std::string() : attachName + "/";
    for (char c : fileName) {
        const auto u = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
            c == '_' || c == '~') {
            link += c;
        } else {
            link += '%';
            link += kHex[u >> 4];
            link += kHex[u & 15];
        }
    }
    return link;
}
