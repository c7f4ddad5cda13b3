#pragma once
// A one-line progress bar on standard error, redrawn in place at most ten times a second;
// it draws nothing when standard error is not a terminal.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

class CProgressBar
{
public:
    // enabled: whether to draw at all (also only on a terminal).
    explicit CProgressBar(bool enabled);
    ~CProgressBar();
    CProgressBar(const CProgressBar&) = delete;
    CProgressBar& operator=(const CProgressBar&) = delete;

    bool Enabled() const { return m_enabled; }
    // The page itself: bytes so far, of size (0 when unknown).
    void Page(std::uint64_t bytes, std::uint64_t size);
    // The page's files: ended of total, bytes in all, bytes per second.
    void Files(std::size_t ended, std::size_t total, std::uint64_t bytes, double rate);
    // Takes the bar off the line, so that a message can be written.
    void Clear();

    // The line for a width of columns (for tests and for drawing).
    static std::string Line(const std::string& label, std::uint64_t done, std::uint64_t total, const std::string& detail,
                            int columns);

private:
    void draw(const std::string& line, bool force);

    bool m_enabled;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_last{};
};

// "12.3 KB", "4.5 MB" and the like.
std::string ByteText(std::uint64_t bytes);
