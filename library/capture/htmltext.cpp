#include "htmltext.h"

#include "codepage.h"
#include "htmltextextractor.h"
#include "keywordfilter.h"
#include "storage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The position of the keyword (upper case, not empty) in the page's text with ASCII
// letters upper-cased, or -1. The text is extracted a piece at a time and searched as it
// grows; extraction stops once the keyword is found.
long find(CHtmlTextExtractor& extractor, std::string_view utf8, std::string_view keyword)
{
    // Small steps first: a word near the top is found without extracting the whole page.
    std::size_t step = 4 * 1024;
    constexpr std::size_t kMaxStep = 256 * 1024;
    extractor.Start(utf8, nullptr);
    std::size_t upper = 0; // text upper-cased so far
    for (std::size_t next = step;; step = std::min(2 * step, kMaxStep), next = extractor.Text().size() + step) {
        const bool more = extractor.ExtractUntil(next);
        const std::size_t size = extractor.Text().size();
        char* text = extractor.MutableText();
        CKeywordFilter::UpperAscii(text + upper, size - upper);
        // A match may start in the text searched before, within the keyword's length.
        const std::size_t from = upper >= keyword.size() ? upper - keyword.size() + 1 : 0;
        upper = size;
        if (size - from >= keyword.size()) {
            if (const void* hit = memmem(text + from, size - from, keyword.data(), keyword.size()))
                return static_cast<long>(static_cast<const char*>(hit) - text);
        }
        if (!more)
            return -1;
    }
}

// Article files larger than this are not searched.
constexpr std::size_t kMaxSearchedFile = 256u << 20;
// Larger articles are searched in their start alone first, in these lengths.
constexpr std::size_t kStartBytes[] = {16 * 1024, 64 * 1024, 256 * 1024};

// Buffers a thread keeps between pages; very large ones are given back after use.
struct SearchBuffers
{
    CHtmlTextExtractor extractor;
    std::string decoded, title;
    std::string asked, keyword; // the keyword as asked, and upper-cased
    CKeywordFilter filter{""};
    std::string upperStart; // a large article's start, upper-cased
    std::string upperPage;  // a page, upper-cased
    // An article file being searched: a buffer that only grows, so that it is not cleared
    // before each of thousands of files.
    std::unique_ptr<char[]> page;
    std::size_t pageCapacity = 0;

    void Trim()
    {
        extractor.Trim();
        if (decoded.capacity() > (std::size_t(32) << 20))
            std::string().swap(decoded);
        if (upperPage.capacity() > (std::size_t(32) << 20))
            std::string().swap(upperPage);
    }
};

SearchBuffers& buffers()
{
    thread_local SearchBuffers b;
    return b;
}

// An article file read into the thread's page buffer, which only grows: it is not cleared
// before each of thousands of files. Errors are those ReadWholeFile gives.
class CArticleFile
{
public:
    CArticleFile(const std::string& path, std::size_t maxBytes) : m_b(buffers())
    {
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st{};
        if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
            m_err = errno;
        else if (S_ISDIR(st.st_mode))
            m_err = EISDIR;
        else if (!S_ISREG(st.st_mode))
            m_err = EINVAL;
        else if (static_cast<unsigned long long>(st.st_size) > maxBytes)
            m_err = EFBIG;
        if (m_err != 0)
            return;
        m_size = static_cast<std::size_t>(st.st_size);
        if (m_size > m_b.pageCapacity) {
            m_b.page = std::make_unique_for_overwrite<char[]>(m_size);
            m_b.pageCapacity = m_size;
        }
    }
    ~CArticleFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_b.pageCapacity > (std::size_t(32) << 20)) {
            m_b.page.reset(); // a very large article's buffer is not kept
            m_b.pageCapacity = 0;
        }
    }
    CArticleFile(const CArticleFile&) = delete;
    CArticleFile& operator=(const CArticleFile&) = delete;

    int Error() const { return m_err; }
    std::size_t Size() const { return m_size; }

    // The file up to upTo bytes (all of it when it is shorter, or when it shrank meanwhile).
    std::string_view Read(std::size_t upTo)
    {
        upTo = std::min(upTo, m_size);
        while (m_err == 0 && m_done < upTo) {
            const ssize_t n = ::read(m_fd, m_b.page.get() + m_done, upTo - m_done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                m_err = errno;
            if (n <= 0) {
                m_size = m_done; // an error, or the file shrank meanwhile
                break;
            }
            m_done += static_cast<std::size_t>(n);
        }
        return {m_b.page.get(), m_done};
    }

private:
    SearchBuffers& m_b;
    int m_fd = -1;
    int m_err = 0;
    std::size_t m_size = 0;
    std::size_t m_done = 0;
};

} // namespace

bool GetHtmlTitleAndText(std::string_view html, std::string& title, std::string& text)
{
    SearchBuffers& b = buffers();
    if (b.extractor.Run(DecodeHtmlBytes(html, b.decoded), &b.title))
        title = b.title;
    text.assign(b.extractor.Text());
    b.Trim();
    return true;
}

long FindInHtmlText(std::string_view html, std::string_view keyword)
{
    if (keyword.empty())
        return 0;
    SearchBuffers& b = buffers();
    if (keyword != b.asked) { // a search asks for the same word on every page
        b.asked.assign(keyword);
        b.keyword.assign(keyword);
        CKeywordFilter::UpperAscii(b.keyword.data(), b.keyword.size());
        b.filter = CKeywordFilter(b.keyword);
    }
    const std::string_view page = DecodeHtmlBytes(html, b.decoded);
    // Most pages of a search lack the word: those are told from their bytes.
    const long at = b.filter.MayShow(page, b.upperPage) ? find(b.extractor, page, b.keyword) : -1;
    b.Trim();
    return at;
}

ItemMatch MatchCatalogItem(const std::string& title, const std::string& file, std::string_view keyword, bool inText,
                           const std::function<void()>& beforeRead, std::string* searchedFile)
{
    std::string upperTitle = title, key(keyword);
    CKeywordFilter::UpperAscii(upperTitle.data(), upperTitle.size());
    CKeywordFilter::UpperAscii(key.data(), key.size());
    if (upperTitle.find(key) != std::string::npos)
        return ItemMatch::Title;
    if (!inText || Cp936Length(file) <= 4)
        return ItemMatch::None;
    const std::string path = ResolveArticleFile(file);
    if (searchedFile)
        *searchedFile = path;
    if (beforeRead)
        beforeRead();
    if (path.size() <= 4)
        return FindInHtmlText({}, keyword) >= 0 ? ItemMatch::Text : ItemMatch::None;

    CArticleFile article(path, kMaxSearchedFile);
    if (article.Error() != 0 && article.Error() != EFBIG)
        return ItemMatch::Unreadable;
    std::string_view page;
    // The page's start, cut before a tag, is searched alone first: when it decodes as the
    // start of the page, its text is the start of the page's text, and a word found there
    // needs no more of the file. Tried when the word is in the bytes it adds at all.
    std::string& upperStart = buffers().upperStart;
    upperStart.clear();
    for (const std::size_t length : kStartBytes) {
        if (article.Error() != 0 || article.Size() <= length)
            break;
        const std::string_view first = article.Read(length);
        const std::string_view start = first.substr(0, first.rfind('<'));
        if (first.size() < length || start.size() == first.size())
            break;
        const std::size_t known = std::min(upperStart.size(), start.size());
        upperStart.append(start.substr(known));
        CKeywordFilter::UpperAscii(upperStart.data() + known, start.size() - known);
        if (upperStart.find(key, known >= key.size() ? known - key.size() + 1 : 0) == std::string::npos)
            continue;
        if (start.find('\0') == std::string_view::npos && DecodesAsPageStart(start) && FindInHtmlText(start, keyword) >= 0)
            return ItemMatch::Text;
    }
    if (article.Error() == 0)
        page = article.Read(article.Size());
    if (article.Error() != 0 && article.Error() != EFBIG)
        return ItemMatch::Unreadable;
    // The text ends at its first zero byte, but a UTF-16 page is zeros throughout.
    const bool utf16 =
        page.size() >= 2 && ((page[0] == '\xFF' && page[1] == '\xFE') || (page[0] == '\xFE' && page[1] == '\xFF'));
    if (!utf16)
        page = page.substr(0, page.find('\0'));
    return FindInHtmlText(page, keyword) >= 0 ? ItemMatch::Text : ItemMatch::None;
}
