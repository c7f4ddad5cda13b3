#pragma once
// The visible text of a page in one pass, without a tree: blocks, line breaks and table
// cells become separators, white space collapses outside preformatted text, hidden elements
// are skipped, and the first TITLE is collected on the way. The page is UTF-8.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

class CHtmlTextExtractor
{
public:
    // Starts on a page, which must outlive the extraction. The first TITLE goes to *title
    // when title is not null.
    void Start(std::string_view html, std::string* title);
    // Extracts until the text holds at least size bytes or the page ends. Returns false once
    // the page has ended.
    bool ExtractUntil(std::size_t size);
    // The whole page; returns whether it has a title.
    bool Run(std::string_view html, std::string* title)
    {
        Start(html, title);
        ExtractUntil(static_cast<std::size_t>(-1));
        return m_titleFound;
    }

    std::string_view Text() const { return {m_out.Data(), m_out.Size()}; }
    // The text, to be changed in place without changing its size.
    char* MutableText() { return m_out.Data(); }
    bool TitleFound() const { return m_titleFound; }
    // Gives back a very large buffer.
    void Trim() { m_out.Trim(std::size_t(32) << 20); }

private:
    // Growing bytes, without the zero fill of std::string::resize.
    class COutBuffer
    {
    public:
        // Room for extra more bytes; returns where the next byte goes. May move the bytes.
        char* Reserve(std::size_t extra)
        {
            if (m_capacity - m_size < extra) {
                const std::size_t capacity =
                    std::max({2 * m_capacity, m_size + extra, std::size_t{4096}});
                std::unique_ptr<char[]> bigger(new char[capacity]);
                if (m_size)
                    std::memcpy(bigger.get(), m_data.get(), m_size);
                m_data = std::move(bigger);
                m_capacity = capacity;
            }
            return m_data.get() + m_size;
        }
        void SetEnd(const char* end) { m_size = static_cast<std::size_t>(end - m_data.get()); }
        void Append(const char* p, std::size_t n)
        {
            std::memcpy(Reserve(n), p, n);
            m_size += n;
        }
        char* Data() const { return m_data.get(); }
        std::size_t Size() const { return m_size; }
        void Clear() { m_size = 0; }
        void Trim(std::size_t keep)
        {
            if (m_capacity > keep) {
                m_data.reset();
                m_capacity = m_size = 0;
            }
        }

    private:
        std::unique_ptr<char[]> m_data;
        std::size_t m_size = 0;
        std::size_t m_capacity = 0;
    };

    std::string_view page() const { return {m_s, m_n}; }
    void flush();
    void content(const char* a, std::size_t n);
    void block();
    void line();
    template <bool Pre> std::size_t textRun(std::size_t p);
    char* owe(char* first, char* w);
    char* put(char* first, char* w, std::string_view v);
    void preText(const char* a, const char* e, const bool* plain, bool refs);
    std::size_t charRef(const char* a, const char* e);
    std::size_t markup(std::size_t p);
    std::size_t tag(std::size_t nameStart, bool end);
    void collectTitle(const char* a, const char* e);

    const char* m_s = nullptr;
    std::size_t m_n = 0;
    std::size_t m_p = 0; // where extraction goes on
    COutBuffer m_out;
    std::string* m_title = nullptr;
    bool m_titleFound = false;
    unsigned m_pending = 0; // separators owed before the next visible text
    unsigned m_lines = 0;   // line breaks owed
    unsigned m_preDepth = 0;
    unsigned m_templateDepth = 0;
    unsigned m_foreignDepth = 0;
    bool m_skipLf = false; // a line feed just after <pre> or <listing> is not text
};
