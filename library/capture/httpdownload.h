#pragma once
// One file downloaded over HTTP(S) into one local file, with status and progress reported
// as it goes. Runs on the thread that calls Run (the download dialog's worker); Abort may be
// set from any thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// The options every download of ours shares, on a libcurl easy handle: web addresses only,
// redirects followed (at most 10) and kept on the web, no signals, TLS verified.
void SetWebTransferOptions(void* easy);

class CHttpDownload
{
public:
    enum class Result { Done, Failed, Aborted };

    struct Events
    {
        std::function<void(const std::string& status)> status;
        // Bytes so far and the size when the server said it (0 otherwise).
        std::function<void(std::uint64_t total, std::uint64_t size)> progress;
    };

    // An address without a scheme is taken as http://.
    CHttpDownload(std::string url, std::string filePath);

    // The file is written whole or not at all: on failure or abort it is deleted.
    Result Run(const Events& events, const std::atomic<bool>& abort);

    const std::string& Url() const { return m_url; }
    // The name the file was moved to (the server named it, or a redirect did), or "".
    const std::string& FinalPath() const { return m_finalPath; }
    const std::string& Error() const { return m_error; }
    bool OpenFailed() const { return m_openFailed; }

    // The host of an address, and the file name of its path.
    static std::string ServerOf(const std::string& url);
    static std::string FileNameOf(const std::string& url);
    // filePath followed by a name a server gave, made into one plain file name in the same
    // folder; "" when nothing usable is left.
    static std::string RenamedPath(const std::string& filePath, const std::string& name);

    static constexpr std::uint64_t kMaxBytes = std::uint64_t(2) << 30;
    static constexpr std::size_t kMaxHeaderBytes = 256 * 1024;

private:
    friend struct DownloadCallbacks;

    std::string m_url;
    std::string m_filePath;
    std::string m_finalPath;
    std::string m_error;
    bool m_openFailed = false;
};
