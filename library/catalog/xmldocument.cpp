#include "xmldocument.h"

#include "codepage.h"
#include "fileutil.h"

#include <libxml/encoding.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n";

const xmlChar* X(const char* s)
{
    return reinterpret_cast<const xmlChar*>(s);
}

std::string_view View(const xmlChar* s)
{
    return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

bool IsElement(const xmlNode* n)
{
    return n && n->type == XML_ELEMENT_NODE;
}

xmlNodePtr FirstElement(xmlNodePtr n)
{
    while (n && n->type != XML_ELEMENT_NODE)
        n = n->next;
    return n;
}

// --- errors -------------------------------------------------------------------------------

struct ErrorCollector
{
    std::string message;
    int line = 0;
    bool doctype = false;
};

#if LIBXML_VERSION >= 21200
using ErrorPtr = const xmlError*;
#else
using ErrorPtr = xmlErrorPtr;
#endif

void CollectError(void* context, ErrorPtr e)
{
    auto* collector = static_cast<ErrorCollector*>(context);
    if (!collector || !e || e->level < XML_ERR_ERROR) return;
    if (collector->message.empty() && e->message) {
        collector->message = e->message;
        while (!collector->message.empty() &&
               (collector->message.back() == '\n' || collector->message.back() == ' '))
            collector->message.pop_back();
    }
    // Encoding errors come without a line; the parser's next error has it.
    if (collector->line == 0 && e->line > 0) collector->line = e->line;
}

void IgnoreGenericError(void*, const char*, ...) {}

// Sends every libxml2 message of this thread to a collector while it lives, then puts the
// previous handlers back and clears the last error, so nothing is printed and nothing stays.
class ErrorScope
{
public:
    explicit ErrorScope(ErrorCollector* collector)
        : m_structured(xmlStructuredError), m_structuredContext(xmlStructuredErrorContext),
          m_generic(xmlGenericError), m_genericContext(xmlGenericErrorContext)
    {
        xmlSetStructuredErrorFunc(collector, &CollectError);
        xmlSetGenericErrorFunc(nullptr, &IgnoreGenericError);
    }
    ~ErrorScope()
    {
        xmlSetStructuredErrorFunc(m_structuredContext, m_structured);
        xmlSetGenericErrorFunc(m_genericContext, m_generic);
        xmlResetLastError();
    }
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;

private:
    xmlStructuredErrorFunc m_structured;
    void* m_structuredContext;
    xmlGenericErrorFunc m_generic;
    void* m_genericContext;
};

// A catalog has no document type: its declarations could only pull in files or entities.
void RefuseDoctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*)
{
    auto* ctxt = static_cast<xmlParserCtxtPtr>(context);
    auto* collector = static_cast<ErrorCollector*>(ctxt->_private);
    collector->doctype = true;
    collector->message = "document type declarations are not allowed";
    collector->line = ctxt->input ? ctxt->input->line : 0;
    xmlStopParser(ctxt);
}

std::string Describe(const std::string& name, int line, const std::string& message)
{
    std::string text = name.empty() ? std::string() : name + ": ";
    if (line > 0) text += "line " + std::to_string(line) + ": ";
    return text + message;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool IsCp936Name(std::string_view name)
{
    return EqualsNoCase(name, "gb2312") || EqualsNoCase(name, "gbk") || EqualsNoCase(name, "cp936");
}

// Code page 936 through our own converter: unlike iconv's GBK it reads and writes the
// user-defined characters (AA A1 and the like, private-use characters inside).
constexpr char kCp936[] = "QUOR-CP936";

int Cp936Input(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    const std::string_view bytes(reinterpret_cast<const char*>(in), static_cast<std::size_t>(std::max(*inlen, 0)));
    // A byte grows to at most three (a replacement character): whole characters that surely fit.
    const std::size_t take = Cp936WholeCharacters(bytes, static_cast<std::size_t>(std::max(*outlen, 0)) / 3);
    std::string utf8;
    const std::size_t decoded = Cp936ToUtf8Prefix(bytes.substr(0, take), utf8);
    std::memcpy(out, utf8.data(), utf8.size());
    *inlen = static_cast<int>(decoded);
    *outlen = static_cast<int>(utf8.size());
    return decoded < take ? -2 : *outlen; // a byte no code page 936 text holds
}

int Cp936Output(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    if (!in) {
        *outlen = 0;
        *inlen = 0;
        return 0;
    }
    const std::string_view utf8(reinterpret_cast<const char*>(in), static_cast<std::size_t>(std::max(*inlen, 0)));
    std::string bytes;
    bool unwritable = false;
    const std::size_t taken = Utf8ToCp936Prefix(utf8, static_cast<std::size_t>(std::max(*outlen, 0)), bytes, &unwritable);
    std::memcpy(out, bytes.data(), bytes.size());
    *inlen = static_cast<int>(taken);
    *outlen = static_cast<int>(bytes.size());
    // -2: libxml2 writes the next character as a character reference and goes on.
    return unwritable ? -2 : *outlen;
}

const char* Cp936Encoding()
{
    // Registered once, without asking first: looking up a name libxml2 does not know yet
    // tries iconv and ICU, and loading ICU's tables costs more than reading a catalog.
    static const bool registered = [] {
        xmlInitParser();
        return xmlNewCharEncodingHandler(kCp936, &Cp936Input, &Cp936Output) != nullptr;
    }();
    (void)registered;
    return kCp936;
}

// The encoding named in the XML declaration at the very start, or empty.
std::string_view DeclaredEncoding(std::string_view bytes)
{
    if (bytes.substr(0, 5) != "<?xml") return {};
    const std::string_view head = bytes.substr(0, 512);
    const auto end = head.find("?>");
    if (end == std::string_view::npos) return {};
    const std::string_view decl = head.substr(0, end);
    auto pos = decl.find("encoding");
    if (pos == std::string_view::npos) return {};
    pos += 8;
    const auto skipBlanks = [&] {
        while (pos < decl.size() &&
               (decl[pos] == ' ' || decl[pos] == '\t' || decl[pos] == '\r' || decl[pos] == '\n'))
            ++pos;
    };
    skipBlanks();
    if (pos >= decl.size() || decl[pos] != '=') return {};
    ++pos;
    skipBlanks();
    if (pos >= decl.size() || (decl[pos] != '"' && decl[pos] != '\'')) return {};
    const char quote = decl[pos++];
    const auto close = decl.find(quote, pos);
    if (close == std::string_view::npos) return {};
    return decl.substr(pos, close - pos);
}

bool IsBlankText(const xmlNode* n)
{
    if (n->type != XML_TEXT_NODE) return false;
    for (const xmlChar* p = n->content; p && *p; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') return false;
    return true;
}

// Drops white-space text (the parser keeps it inside otherwise empty elements) and checks
// the nesting. False when elements nest deeper than kMaxXmlDepth.
bool Tidy(xmlNodePtr root)
{
    xmlNodePtr cur = root;
    int depth = 1;
    for (;;) {
        if (cur->type == XML_ELEMENT_NODE && depth > kMaxXmlDepth) return false;
        if (cur->type == XML_ELEMENT_NODE && cur->children) {
            cur = cur->children;
            ++depth;
            continue;
        }
        xmlNodePtr done = cur;
        while (cur != root && !cur->next) {
            cur = cur->parent;
            --depth;
        }
        xmlNodePtr next = cur == root ? nullptr : cur->next;
        if (IsBlankText(done)) {
            xmlUnlinkNode(done);
            xmlFreeNode(done);
        }
        if (!next) return true;
        cur = next;
    }
}

int ReadPiece(void* context, char* buffer, int len)
{
    auto* rest = static_cast<std::string_view*>(context);
    const std::size_t n = std::min(rest->size(), static_cast<std::size_t>(std::max(len, 0)));
    std::memcpy(buffer, rest->data(), n);
    rest->remove_prefix(n);
    return static_cast<int>(n);
}

xmlDocPtr Parse(std::string_view bytes, const std::string& name, std::string* error)
{
    const auto fail = [&](const std::string& message, int line = 0) -> xmlDocPtr {
        if (error) *error = Describe(name, line, message);
        return nullptr;
    };
    if (bytes.size() > kMaxXmlFileBytes) return fail("file too large (over 1 GiB)");
    xmlInitParser();
    ErrorCollector collector;
    ErrorScope scope(&collector);
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt || !ctxt->sax) return fail(std::strerror(ENOMEM));
    ctxt->_private = &collector;
    ctxt->sax->internalSubset = &RefuseDoctype;
    // Declared gb2312 files hold code page 936 in practice, a superset.
    const char* encoding = IsCp936Name(DeclaredEncoding(bytes)) ? Cp936Encoding() : nullptr;
    // Handed over in pieces: libxml2 would otherwise copy the whole input and convert it in one
    // go (40 MB more at the peak for a 19 MB catalog, at the same speed).
    std::string_view rest = bytes;
    // The declaration must not switch the parser over to another converter.
    xmlDocPtr doc = xmlCtxtReadIO(ctxt, &ReadPiece, nullptr, &rest, nullptr, encoding,
                                  XML_PARSE_NONET | XML_PARSE_NOBLANKS | (encoding ? XML_PARSE_IGNORE_ENC : 0));
    xmlFreeParserCtxt(ctxt);
    xmlNodePtr root = doc ? xmlDocGetRootElement(doc) : nullptr;
    if (doc && root && !collector.doctype && Tidy(root)) return doc;
    const bool tooDeep = doc && root && !collector.doctype;
    xmlFreeDoc(doc);
    if (tooDeep)
        return fail("elements nested deeper than " + std::to_string(kMaxXmlDepth) + " levels");
    // libxml2's own wording names a parser option that is off on purpose.
    if (collector.message.rfind("Excessive depth", 0) == 0)
        collector.message =
            "elements nested deeper than " + std::to_string(kMaxXmlDepth) + " levels";
    // libxml2's limit on one text, in its own words ("Huge input lookup" and the like).
    for (const char* huge : {"Huge input lookup", "AttValue length too long", "huge text node"})
        if (collector.message.find(huge) != std::string::npos)
            collector.message = "a title or other text in it is longer than 10,000,000 bytes, more than a catalog "
                                "may hold (" + collector.message + ")";
    if (!collector.message.empty()) return fail(collector.message, collector.line);
    return fail(doc ? "no root element" : "not well-formed XML");
}

// --- text ---------------------------------------------------------------------------------

// Valid UTF-8 of characters XML 1.0 allows; anything else becomes U+FFFD.
std::string XmlSafe(std::string_view in)
{
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        const auto c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r')
                out += static_cast<char>(c);
            else
                out += kReplacement;
            ++i;
            continue;
        }
        int len = 0;
        char32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        }
        bool whole = len > 0 && i + static_cast<std::size_t>(len) <= in.size();
        for (int k = 1; whole && k < len; ++k) {
            const auto cc = static_cast<unsigned char>(in[i + static_cast<std::size_t>(k)]);
            whole = (cc & 0xC0) == 0x80;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!whole) {
            out += kReplacement;
            ++i;
            continue;
        }
        // Overlong forms, surrogates, values past U+10FFFF and the two non-characters.
        const bool bad = (len == 3 && cp < 0x800) ||
                         (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                         (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF;
        if (bad)
            out += kReplacement;
        else
            out.append(in.substr(i, static_cast<std::size_t>(len)));
        i += static_cast<std::size_t>(len);
    }
    return out;
}

xmlAttrPtr FindAttribute(const xmlNode* node, std::string_view name)
{
    if (!IsElement(node)) return nullptr;
    for (xmlAttrPtr a = node->properties; a; a = a->next)
        if (!a->ns && View(a->name) == name) return a;
    return nullptr;
}

int AppendToString(void* context, const char* buffer, int len)
{
    static_cast<std::string*>(context)->append(buffer, static_cast<std::size_t>(len));
    return len;
}

} // namespace

// --- CXmlNode -----------------------------------------------------------------------------

std::string CXmlNode::GetAttribute(std::string_view name) const
{
    const xmlAttrPtr a = FindAttribute(m_node, name);
    if (!a || !a->children) return {};
    const xmlNode* c = a->children;
    if (!c->next && c->type == XML_TEXT_NODE) return std::string(View(c->content));
    xmlChar* value = xmlNodeListGetString(m_node->doc, a->children, 1);
    std::string text(View(value));
    xmlFree(value);
    return text;
}

bool CXmlNode::AttributeIs(std::string_view name, std::string_view value) const
{
    const xmlAttrPtr a = FindAttribute(m_node, name);
    if (!a) return false;
    const xmlNode* c = a->children;
    if (!c) return value.empty();
    if (!c->next && c->type == XML_TEXT_NODE) return View(c->content) == value;
    return GetAttribute(name) == value;
}

void CXmlNode::SetAttribute(std::string_view name, std::string_view value)
{
    if (!IsElement(m_node) || name.empty()) return;
    const std::string n(name);
    const std::string v = XmlSafe(value);
    xmlSetProp(m_node, X(n.c_str()), X(v.c_str()));
}

void CXmlNode::RemoveAttribute(std::string_view name)
{
    if (xmlAttrPtr a = FindAttribute(m_node, name)) xmlRemoveProp(a);
}

int CXmlNode::GetChildCount() const
{
    if (!IsElement(m_node)) return 0;
    int count = 0;
    for (xmlNodePtr c = FirstElement(m_node->children); c; c = FirstElement(c->next))
        ++count;
    return count;
}

CXmlNode CXmlNode::GetChild(int index) const
{
    if (!IsElement(m_node) || index < 0) return {};
    xmlNodePtr c = FirstElement(m_node->children);
    for (; c && index > 0; --index)
        c = FirstElement(c->next);
    return CXmlNode(c);
}

int CXmlNode::GetIndex() const
{
    if (!IsElement(m_node) || !IsElement(m_node->parent)) return -1;
    int index = 0;
    for (xmlNodePtr c = m_node->prev; c; c = c->prev)
        if (c->type == XML_ELEMENT_NODE) ++index;
    return index;
}

CXmlNode CXmlNode::GetParent() const
{
    return m_node && IsElement(m_node->parent) ? CXmlNode(m_node->parent) : CXmlNode();
}

CXmlNode CXmlNode::GetNextSibling() const
{
    return m_node ? CXmlNode(FirstElement(m_node->next)) : CXmlNode();
}

std::string CXmlNode::GetName() const
{
    return IsElement(m_node) ? std::string(View(m_node->name)) : std::string();
}

int CXmlNode::GetDepth() const
{
    int depth = 0;
    for (const xmlNode* n = m_node; IsElement(n); n = n->parent)
        ++depth;
    return depth;
}

int CXmlNode::GetHeight() const
{
    if (!IsElement(m_node)) return 0;
    int depth = 0, height = 0;
    xmlNodePtr cur = m_node;
    for (;;) {
        if (xmlNodePtr child = FirstElement(cur->children)) {
            cur = child;
            height = std::max(height, ++depth);
            continue;
        }
        while (cur != m_node && !FirstElement(cur->next)) {
            cur = cur->parent;
            --depth;
        }
        if (cur == m_node) return height;
        cur = FirstElement(cur->next);
    }
}

CXmlNode CXmlNode::CreateChildAfter(CXmlNode ref, std::string_view tag)
{
    if (!IsElement(m_node) || tag.empty()) return {};
    const std::string name(tag);
    xmlNodePtr element = xmlNewDocNode(m_node->doc, nullptr, X(name.c_str()), nullptr);
    if (!element) return {};
    InsertAfter(ref, CXmlNode(element));
    return CXmlNode(element);
}

bool CXmlNode::InsertAfter(CXmlNode ref, CXmlNode node)
{
    xmlNodePtr n = node.m_node;
    if (!IsElement(m_node) || !IsElement(n)) return false;
    // Only a node with children can be above this one.
    if (n == m_node) return false;
    for (const xmlNode* p = m_node; n->children && p; p = p->parent)
        if (p == n) return false;
    // Where it goes, decided before it leaves its place: before ref's next sibling.
    xmlNodePtr anchor = ref.m_node && ref.m_node->parent == m_node ? ref.m_node : nullptr;
    xmlNodePtr before = anchor ? anchor->next : nullptr;
    if (before == n) before = n->next;
    xmlUnlinkNode(n);
    if (n->doc != m_node->doc) {
        if (xmlDOMWrapAdoptNode(nullptr, n->doc, n, m_node->doc, m_node, 0) != 0) return false;
    }
    if (before)
        xmlAddPrevSibling(before, n);
    else
        xmlAddChild(m_node, n);
    return true;
}

void CXmlNode::Delete()
{
    if (!m_node) return;
    xmlUnlinkNode(m_node);
    xmlFreeNode(m_node);
    m_node = nullptr;
}

// --- CXmlDocument -------------------------------------------------------------------------

CXmlDocument::CXmlDocument()
{
    xmlInitParser();
}

CXmlDocument::~CXmlDocument()
{
    xmlFreeDoc(m_doc);
}

bool CXmlDocument::Load(const std::string& path, std::string* error)
{
    std::string bytes;
    if (!ReadFileBytes(path, bytes, error, kMaxXmlFileBytes)) return false;
    xmlDocPtr doc = Parse(bytes, path, error);
    if (!doc) return false;
    xmlFreeDoc(m_doc);
    m_doc = doc;
    return true;
}

bool CXmlDocument::LoadFromMemory(std::string_view bytes, std::string* error)
{
    xmlDocPtr doc = Parse(bytes, std::string(), error);
    if (!doc) return false;
    xmlFreeDoc(m_doc);
    m_doc = doc;
    return true;
}

std::string CXmlDocument::SaveToString() const
{
    if (!GetRoot()) return {};
    std::string out = kDeclaration;
    ErrorCollector collector;
    ErrorScope scope(&collector);
    // Attribute text is written raw only while the document names an encoding; global
    // switches that would change the output are held off meanwhile.
    const xmlChar* oldEncoding = m_doc->encoding;
    m_doc->encoding = X(Cp936Encoding());
    const int oldNoEmpty = xmlSaveNoEmptyTags;
    xmlSaveNoEmptyTags = 0;
    xmlSaveCtxtPtr ctxt = xmlSaveToIO(&AppendToString, nullptr, &out, Cp936Encoding(), XML_SAVE_NO_DECL);
    bool ok = ctxt != nullptr;
    for (xmlNodePtr n = m_doc->children; ok && n; n = n->next) {
        if (n->type == XML_DTD_NODE) continue;
        ok = xmlSaveTree(ctxt, n) >= 0 && xmlSaveFlush(ctxt) >= 0;
        out += "\r\n";
    }
    if (ctxt && xmlSaveClose(ctxt) < 0) ok = false;
    xmlSaveNoEmptyTags = oldNoEmpty;
    m_doc->encoding = oldEncoding;
    return ok && collector.message.empty() ? out : std::string();
}

bool CXmlDocument::Save(const std::string& path, std::string* error) const
{
    const std::string bytes = SaveToString();
    if (bytes.empty()) {
        if (error)
            *error = path + ": " +
                     (GetRoot() ? "the catalog could not be serialised" : "no document to save");
        return false;
    }
    return WriteFileAtomically(path, bytes, error);
}

CXmlNode CXmlDocument::GetRoot() const
{
    return CXmlNode(m_doc ? xmlDocGetRootElement(m_doc) : nullptr);
}

CXmlNode CXmlDocument::CreateRoot(std::string_view tag)
{
    const std::string name(tag);
    xmlDocPtr doc = xmlNewDoc(X("1.0"));
    if (!doc) return {};
    xmlNodePtr root = xmlNewDocNode(doc, nullptr, X(name.c_str()), nullptr);
    if (!root) {
        xmlFreeDoc(doc);
        return {};
    }
    xmlDocSetRootElement(doc, root);
    xmlFreeDoc(m_doc);
    m_doc = doc;
    return CXmlNode(root);
}

void CXmlDocument::Swap(CXmlDocument& other) noexcept
{
    std::swap(m_doc, other.m_doc);
}
