#include "articlescheme.h"

#include <QBuffer>
#include <QFile>
#include <QMimeDatabase>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace {

const QString kHost = QStringLiteral("article");

std::string canonical(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

} // namespace

void CArticleScheme::RegisterScheme()
{
    QWebEngineUrlScheme scheme{QByteArray(kScheme)};
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Not a "local" scheme: the page of one could not load its own pictures.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

CArticleScheme::CArticleScheme(const std::string& folder, const std::string& fileName, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), m_folder(folder), m_canonicalFolder(canonical(folder)), m_fileName(fileName)
{
}

QUrl CArticleScheme::SetDocument(const std::string& utf8)
{
    // A byte-order mark outranks every charset the page itself declares.
    m_document = QByteArrayLiteral("\xEF\xBB\xBF") + QByteArray::fromStdString(utf8);
    QUrl url;
    url.setScheme(QString::fromLatin1(kScheme));
    url.setHost(kHost);
    url.setPath(QLatin1Char('/') + QString::fromStdString(m_fileName));
    url.setQuery(QStringLiteral("v=%1").arg(++m_version));
    m_url = url;
    return m_url;
}

std::string CArticleScheme::LocalPath(const QString& urlPath) const
{
    if (m_canonicalFolder.empty())
        return {};
    std::string relative;
    for (const QString& segment : urlPath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String(".") || segment == QLatin1String("..") || segment.contains(QChar(0)))
            return {};
        relative += '/' + segment.toStdString();
    }
    if (relative.empty())
        return {};
    const std::string path = canonical(m_folder + relative);
    struct stat st{};
    if (path.size() <= m_canonicalFolder.size() || path.compare(0, m_canonicalFolder.size(), m_canonicalFolder) != 0 ||
        path[m_canonicalFolder.size()] != '/' || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return path;
}

void CArticleScheme::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QUrl url = job->requestUrl();
    if (url.host() != kHost) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const QString path = url.path();
    if (path == m_url.path()) {
        auto* buffer = new QBuffer(job);
        buffer->setData(m_document);
        buffer->open(QIODevice::ReadOnly);
        job->reply(QByteArrayLiteral("text/html;charset=utf-8"), buffer);
        return;
    }
    const std::string local = LocalPath(path);
    if (local.empty()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* file = new QFile(QString::fromStdString(local), job);
    if (!file->open(QIODevice::ReadOnly)) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    static const QMimeDatabase mimes;
    job->reply(mimes.mimeTypeForFile(QString::fromStdString(local), QMimeDatabase::MatchExtension).name().toUtf8(),
               file);
}
