#pragma once
// The posting tool's HTTP client: one object, one host. It installs its cookies for each
// request, sends a GET, a form POST or a multipart POST built from its argument list, and
// hands back the response body in the caller's chunks and the Set-Cookie headers one by one.
// No operation throws or shows anything; failures end as false or 0 and a call of Trace.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum { SCHEME_FTP = 0, SCHEME_HTTP = 1, SCHEME_HTTPS = 2 };
enum { REQUEST_GET = 0, REQUEST_POST = 1, REQUEST_POST_MULTIPART = 2 };

inline constexpr const char MULTIPART_BOUNDARY[] = "--MULTI-PARTS-FORM-DATA-BOUNDARY";

// Splits a URL into its parts. Without "scheme:/" the scheme is "http"; a port that is not
// a number gives 0; the object path is "/" when the URL has none.
void ParseUrl(std::string_view url, std::string& scheme, std::string& user, std::string& password,
              std::string& host, int& port, std::string& object);

// How long a request may take (nothing waits without end), and what to do while it waits.
struct HttpOptions
{
    long connectSeconds = 20;      // to reach the server
    long stallSeconds = 30;        // with no byte coming in
    long totalSeconds = 120;       // the whole exchange
    std::size_t maxResponseBytes = std::size_t(16) << 20;
    std::string caFile;            // certificates to trust instead of the system's; "" for those
    std::function<void()> onWait;  // called often while waiting for the network
};

class CHttpClient
{
public:
    struct PostArgument
    {
        std::string name, value;
        bool isFile = false;
    };
    struct Cookie
    {
        std::string name, value;
    };

    CHttpClient();
    virtual ~CHttpClient();
    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;

    // user and password may be null: the URL's own are taken then.
    bool OpenUrl(std::string_view url, const char* user, const char* password, std::string_view agent);
    // port 0 means the scheme's default.
    virtual bool Connect(const std::string& host, int port, const char* user, const char* password, int scheme,
                         std::string_view agent);

    // True when the request has been sent and its response has begun.
    bool Request(const std::string& object, int kind, const char* referrer = nullptr);
    // Bytes of the body copied into buffer; 0 at its end or on failure.
    std::size_t ReadResponse(char* buffer, std::size_t size);
    // Length of the index-th Set-Cookie header of the response, copied with a closing zero;
    // 0 when there is none or it does not fit.
    std::size_t QuerySetCookie(char* buffer, std::size_t size, int index);
    void Close();

    void AddPostArgument(std::string name, std::string value, bool isFile = false);
    void AddCookie(std::string name, std::string value);
    void ClearPostArguments() { m_postArguments.clear(); }
    void ClearCookies() { m_cookies.clear(); }

    // The form body: name=value pairs joined by '&', nothing encoded.
    std::size_t GetPostArgumentsLength() const;
    // Writes the body and a closing zero; 0 and nothing written when it does not fit.
    std::size_t BuildPostArguments(char* buffer, std::size_t size) const;
    std::size_t GetMultipartBufferSize() const;
    // The multipart body into an empty body; 0 when body already holds something.
    std::size_t BuildMultipartBody(std::string& body, std::string_view boundary) const;

    // A diagnostic hook. It writes nothing; the last message is kept for inspection.
    void Trace(const std::string& host, int port, int scheme, const std::string& object, const std::string& message);
    const std::string& LastTrace() const { return m_lastTrace; }

    void SetOptions(HttpOptions options) { m_options = std::move(options); }
    // Shown when a multipart request cannot be ended (the program sets a message box).
    void SetErrorReporter(std::function<void()> report) { m_reportError = std::move(report); }

    const std::string& Host() const { return m_strHost; }
    int Port() const { return m_nPort; }
    int Scheme() const { return m_nScheme; }
    const std::string& ObjectPath() const { return m_strObject; }
    const std::vector<PostArgument>& PostArguments() const { return m_postArguments; }
    const std::vector<Cookie>& Cookies() const { return m_cookies; }

protected:
    virtual bool RequestPostMultipart(const std::string& object, const char* referrer);
    virtual bool RequestPost(const std::string& object, const char* referrer);
    virtual bool RequestGet(const std::string& object, const char* referrer);

private:
    struct Transfer;

    void openRequest(const std::string& object, const char* referrer, bool post, const char* contentType);
    void sendAndWaitForHeaders();
    void closeRequest();
    void pump();
    std::string cookieHeader() const;

    void* m_hInternet = nullptr;   // the connection to m_strHost (a libcurl multi handle)
    std::unique_ptr<Transfer> m_hRequest;

    std::string m_strHost, m_strUser, m_strPassword, m_strObject, m_strAgent;
    int m_nPort = 0;
    int m_nScheme = SCHEME_HTTP;
    std::vector<PostArgument> m_postArguments;
    std::vector<Cookie> m_cookies;

    HttpOptions m_options;
    std::function<void()> m_reportError;
    std::string m_lastTrace;
};
