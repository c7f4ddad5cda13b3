#pragma once
// A thin layer over the XML DOM that holds the catalog. Text crosses it as UTF-8. Files are
// read without network access and without expanding entities; a file declared "gb2312" is
// read and written as GBK, and characters outside GBK are written as character references.

#include <cstddef>
#include <string>
#include <string_view>

struct _xmlDoc;
struct _xmlNode;

// Files larger than this are not read.
inline constexpr std::size_t kMaxXmlFileBytes = std::size_t{1} << 30;
// Elements nest at most this deep (the root is level 1): the parser refuses deeper files, so
// a document must never be made deeper than this.
inline constexpr int kMaxXmlDepth = 256;


// A reference to one element of a document (not owned).
class CXmlNode
{
public:
    CXmlNode() = default;
    explicit CXmlNode(_xmlNode* node) : m_node(node) {}

    bool IsNull() const { return m_node == nullptr; }
    explicit operator bool() const { return m_node != nullptr; }
    _xmlNode* Raw() const { return m_node; }
    bool operator==(const CXmlNode& other) const { return m_node == other.m_node; }

    // The attribute's text, "" when the node or the attribute is missing.
    std::string GetAttribute(std::string_view name) const;
    // The attribute is there and holds exactly value (no copy made).
    bool AttributeIs(std::string_view name, std::string_view value) const;
    // Sets the attribute (replacing one of that name in its place, else appending it).
    // Characters XML cannot hold (controls, broken UTF-8) become U+FFFD, so the saved
    // file always reads back.
    void SetAttribute(std::string_view name, std::string_view value);
    void RemoveAttribute(std::string_view name);

    // Element children only: text, comments and the like are not counted.
    int GetChildCount() const;
    CXmlNode GetChild(int index) const;
    // Index among the parent's element children, or -1 for the root or a missing node.
    int GetIndex() const;
    // The parent element; none for the root.
    CXmlNode GetParent() const;
    CXmlNode GetNextSibling() const;
    // "DIR", "ARTICLE"; "" for a missing node.
    std::string GetName() const;
    // 1 for the root, 2 for its children...; 0 for a missing node.
    int GetDepth() const;
    // Levels below the node: 0 for a leaf.
    int GetHeight() const;

    // A new element placed as InsertAfter places a node.
    CXmlNode CreateChildAfter(CXmlNode ref, std::string_view tag);
    // Moves node here: right after ref when ref is a child of this node, else last. A node of
    // another document is taken over by this one. False (nothing changed) for a missing node
    // or one that is this node or above it.
    bool InsertAfter(CXmlNode ref, CXmlNode node);
    // Takes the node and its branch out of the document and frees them.
    void Delete();

private:
    _xmlNode* m_node = nullptr;
};

class CXmlDocument
{
public:
    CXmlDocument();
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // False (the document unchanged, the reason in error: "path: line N: message") when the
    // file cannot be read, is over kMaxXmlFileBytes, is not well-formed XML with a root
    // element, nests deeper than kMaxXmlDepth, or has a document type declaration.
    // White space between elements is dropped.
    bool Load(const std::string& path, std::string* error = nullptr);
    bool LoadFromMemory(std::string_view bytes, std::string* error = nullptr);
    // Writes the whole document to a new file beside path and renames it over path, so that
    // a failure never leaves a half-written file. False with the reason in error.
    bool Save(const std::string& path, std::string* error = nullptr) const;
    // The bytes Save writes: declaration encoding="gb2312", CR LF after it, no white space
    // between elements, CR LF at the end. Empty for a document without a root.
    std::string SaveToString() const;

    CXmlNode GetRoot() const;
    // Starts an empty document with a root element of that name.
    CXmlNode CreateRoot(std::string_view tag);
    void Swap(CXmlDocument& other) noexcept;
    _xmlDoc* Raw() const { return m_doc; }

private:
    _xmlDoc* m_doc = nullptr;
};
