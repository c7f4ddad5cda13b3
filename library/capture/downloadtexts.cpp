#include "downloadtexts.h"

#include <cstdio>

namespace {

std::string printf1(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::string FormatDownloadText(const std::string& pattern, const std::string& first, const std::string& second)
{
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            out += pattern[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string DownloadSizeText(std::uint64_t bytes)
{
    if (bytes < 1024)
        return FormatDownloadText("%1 Bytes", std::to_string(bytes));
    if (bytes < 1048576)
        return FormatDownloadText("%1 KB", printf1("%0.1f", static_cast<double>(bytes) / 1024));
    return FormatDownloadText("%1 MB", printf1("%0.2f", static_cast<double>(bytes) / 1048576));
}

std::string DownloadRateText(double bytesPerMs)
{
    if (bytesPerMs >= 10)
        return FormatDownloadText("%1 KB/Sec", printf1("%0.0f", bytesPerMs));
    if (bytesPerMs >= 1)
        return FormatDownloadText("%1 KB/Sec", printf1("%0.2f", bytesPerMs));
    return FormatDownloadText("%1 Bytes/Sec", printf1("%0.0f", bytesPerMs * 1024));
}

std::string DownloadSecondsText(std::uint64_t seconds)
{
    if (seconds < 60)
        return FormatDownloadText("%1 sec", std::to_string(seconds));
    if (seconds % 60 == 0)
        return FormatDownloadText("%1 min", std::to_string(seconds / 60));
    return FormatDownloadText("%1 min %2 sec", std::to_string(seconds / 60), std::to_string(seconds % 60));
}

std::string DownloadTimeLeftText(std::uint64_t seconds, std::uint64_t total, std::uint64_t size)
{
    return FormatDownloadText("%1 (%2 copied)", DownloadSecondsText(seconds),
                              FormatDownloadText("%1 of %2", DownloadSizeText(total), DownloadSizeText(size)));
}

std::uint64_t DownloadSecondsLeft(std::uint64_t elapsedMs, std::uint64_t total, std::uint64_t size)
{
    if (total == 0 || size <= total)
        return 0;
    return static_cast<std::uint64_t>(static_cast<double>(elapsedMs) / static_cast<double>(total) *
                                      static_cast<double>(size - total) * 0.001);
}

int DownloadPercent(std::uint64_t total, std::uint64_t size)
{
    if (size == 0)
        return 0;
    return static_cast<int>(static_cast<double>(total) * 100.0 / static_cast<double>(size));
}
