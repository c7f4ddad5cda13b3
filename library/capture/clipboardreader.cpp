#include "clipboardreader.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringDecoder>

#include <cstdio>

namespace {

const char kStartMarker[] = "<!--StartFragment-->";
const char kEndMarker[] = "<!--EndFragment-->";

// The browsers' flavours for the address of the copied page.
const char* const kSourceUrlFormats[] = {"text/x-moz-url-priv", "chromium/x-source-url", "text/x-moz-url"};

bool isRawHtmlFormat(const QString& format)
{
    return format == QLatin1String("HTML Format") || format.contains(QLatin1String("value=\"HTML Format\""));
}

// The first line of an address flavour, which may come as UTF-16.
std::string sourceUrlOf(const QMimeData& data)
{
    for (const char* format : kSourceUrlFormats) {
        const QByteArray bytes = data.data(QLatin1String(format));
        if (bytes.isEmpty() || bytes.size() > 64 * 1024)
            continue;
        QString text;
        if (bytes.size() % 2 == 0 && bytes.contains('\0')) {
            auto decode = QStringDecoder(QStringDecoder::Utf16LE);
            text = decode(bytes);
        } else {
            text = QString::fromUtf8(bytes);
        }
        text = text.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r')).remove(QChar(0)).trimmed();
        if (!text.isEmpty())
            return text.toStdString();
    }
    return {};
}

std::string offset(const char* key, std::size_t value)
{
    char line[64];
    std::snprintf(line, sizeof line, "%s:%010zu\r\n", key, value);
    return line;
}

} // namespace

std::string MakeClipboardHtml(const std::string& fragment, const std::string& sourceUrl)
{
    std::string url = sourceUrl;
    std::erase_if(url, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });

    // The page already marks its fragment, or the whole of it is the fragment.
    std::string html = fragment;
    std::size_t startFragment = html.find(kStartMarker);
    std::size_t endFragment = startFragment == std::string::npos ? std::string::npos : html.find(kEndMarker, startFragment);
    if (endFragment == std::string::npos) {
        html = std::string("<html><body>\r\n") + kStartMarker + fragment + kEndMarker + "\r\n</body>\r\n</html>";
        startFragment = html.find(kStartMarker);
        endFragment = html.rfind(kEndMarker);
    }
    startFragment += sizeof kStartMarker - 1;

    // Nine header lines, so that nothing of the page is read as a header line.
    const auto header = [&](std::size_t start) {
        return std::string("Version:0.9\r\n") + offset("StartHTML", start) + offset("EndHTML", start + html.size()) +
               offset("StartFragment", start + startFragment) + offset("EndFragment", start + endFragment) +
               offset("StartSelection", start + startFragment) + offset("EndSelection", start + endFragment) +
               "SourceURL:" + url + "\r\n\r\n";
    };
    const std::size_t start = header(0).size(); // the numbers have a fixed width
    return header(start) + html;
}

std::size_t ClipboardHtmlFrom(const QMimeData& data, std::string& text)
{
    for (const QString& format : data.formats()) {
        if (!isRawHtmlFormat(format))
            continue;
        const QByteArray raw = data.data(format);
        if (raw.isEmpty() || static_cast<std::size_t>(raw.size()) > MAX_CLIPBOARD_HTML)
            return 0;
        const qsizetype nul = raw.indexOf('\0');
        text.assign(raw.constData(), static_cast<std::size_t>(nul < 0 ? raw.size() : nul));
        return static_cast<std::size_t>(raw.size());
    }
    if (!data.hasHtml())
        return 0;
    const QByteArray fragment = data.html().toUtf8();
    if (fragment.isEmpty() || static_cast<std::size_t>(fragment.size()) > MAX_CLIPBOARD_HTML)
        return 0;
    text = MakeClipboardHtml(fragment.toStdString(), sourceUrlOf(data));
    return text.size();
}

std::size_t ReadClipboardHtml(std::string& text)
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data ? ClipboardHtmlFrom(*data, text) : 0;
}
