#pragma once
// The texts the download dialog shows while a file comes in.

#include <cstdint>
#include <string>

// "%1 Bytes" below 1024, "%1 KB" (one decimal) up to 1048575, "%1 MB" (two decimals) above.
std::string DownloadSizeText(std::uint64_t bytes);
// From bytes per millisecond: "%1 KB/Sec" (no decimals from 10, two below), under 1 as
// "%1 Bytes/Sec".
std::string DownloadRateText(double bytesPerMs);
// "%1 sec" under a minute, "%1 min" for whole minutes, else "%1 min %2 sec".
std::string DownloadSecondsText(std::uint64_t seconds);
// "%1 (%2 copied)" with %2 = "%1 of %2" (so far, of the size).
std::string DownloadTimeLeftText(std::uint64_t seconds, std::uint64_t total, std::uint64_t size);
// Seconds left at this pace: elapsed / total × (size − total), in whole seconds.
std::uint64_t DownloadSecondsLeft(std::uint64_t elapsedMs, std::uint64_t total, std::uint64_t size);
// The percentage of the size received, truncated.
int DownloadPercent(std::uint64_t total, std::uint64_t size);
// "%1 from %2", "%1% of %2 Completed" and the other texts with their arguments put in.
std::string FormatDownloadText(const std::string& pattern, const std::string& first, const std::string& second = {});
