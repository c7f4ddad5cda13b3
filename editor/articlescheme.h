#pragma once
// Serves the article to the web view: its own address is the decoded page (any size, as
// UTF-8), every other address a file inside the article's folder, and nothing outside it.

#include <QByteArray>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

#include <string>

class CArticleScheme final : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    static constexpr char kScheme[] = "scrivel";

    // Registers the scheme; must run before the application object is made.
    static void RegisterScheme();

    // folder: the article's folder; fileName: the article file's name in it.
    CArticleScheme(const std::string& folder, const std::string& fileName, QObject* parent = nullptr);

    // The page served at DocumentUrl(); each call gives a new address, so nothing cached
    // shows an older page.
    QUrl SetDocument(const std::string& utf8);
    QUrl DocumentUrl() const { return m_url; }

    // The file an address's path maps to inside the folder, or empty when it is outside
    // the folder, not a regular file, or not there.
    std::string LocalPath(const QString& urlPath) const;

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    std::string m_folder;
    std::string m_canonicalFolder;
    std::string m_fileName;
    QByteArray m_document;
    QUrl m_url;
    int m_version = 0;
};
