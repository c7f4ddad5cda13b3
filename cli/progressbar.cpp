#include "progressbar.h"

#include <algorithm>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int terminalColumns()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col >= 20)
        return size.ws_col;
    return 80;
}

} // namespace

std::string ByteText(std::uint64_t bytes)
{
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024);
    else
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
    return text;
}

CProgressBar::CProgressBar(bool enabled) : m_enabled(enabled && ::isatty(STDERR_FILENO) == 1) {}

CProgressBar::~CProgressBar()
{
    Clear();
}

std::string CProgressBar::Line(const std::string& label, std::uint64_t done, std::uint64_t total,
                               const std::string& detail, int columns)
{
    std::string line = label + " ";
    const int room = columns - 1 - static_cast<int>(line.size() + detail.size()) - 3;
    if (room >= 10) {
        const int width = std::min(room, 40);
        const int filled = total == 0 ? 0 : static_cast<int>(std::min(done, total) * static_cast<std::uint64_t>(width) / total);
        line += '[';
        line.append(static_cast<std::size_t>(filled), '#');
        line.append(static_cast<std::size_t>(width - filled), '.');
        line += "] ";
    }
    line += detail;
    if (static_cast<int>(line.size()) > columns - 1)
        line.resize(static_cast<std::size_t>(std::max(columns - 1, 0)));
    return line;
}

void CProgressBar::Page(std::uint64_t bytes, std::uint64_t size)
{
    if (!m_enabled)
        return;
    const std::string detail = size > 0 ? ByteText(bytes) + " of " + ByteText(size) : ByteText(bytes);
    draw(Line("page ", bytes, size, detail, terminalColumns()), false);
}

void CProgressBar::Files(std::size_t ended, std::size_t total, std::uint64_t bytes, double rate)
{
    if (!m_enabled)
        return;
    const std::string detail = std::to_string(ended) + "/" + std::to_string(total) + " files, " + ByteText(bytes) + ", " +
                               ByteText(static_cast<std::uint64_t>(rate)) + "/s";
    draw(Line("files", ended, total, detail, terminalColumns()), ended == total);
}

void CProgressBar::Clear()
{
    if (!m_enabled || !m_shown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_shown = false;
}

void CProgressBar::draw(const std::string& line, bool force)
{
    const auto now = std::chrono::steady_clock::now();
    if (!force && m_shown && now - m_last < std::chrono::milliseconds(100))
        return;
    m_last = now;
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    m_shown = true;
}
