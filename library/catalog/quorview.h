#pragma once
// The article view: an embedded web view that shows the start page and the articles.
// Captured pages run no script here.

#include <QWebEngineView>

#include <functional>
#include <memory>

class QPrinter;

class CQuorDoc;

class CQuorView final : public QWebEngineView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CQuorView)

public:
    explicit CQuorView(CQuorDoc* document, QWidget* parent = nullptr);
    ~CQuorView() override;

    static QUrl StartPageUrl();
    void ShowStartPage();
    // Shows the document's current article (its m_strArticleUrl).
    void OnNavigate();
    void OnRefresh();
    void OnPrint();

    // A link clicked with Ctrl held is fetched into the shown article's attachment folder
    // instead of being opened, when a handler is set.
    void SetForceDownload(std::function<void(const QUrl& url)> handler) { m_forceDownload = std::move(handler); }

    // The before-navigate rule: true to let the navigation go on.
    bool BeforeNavigate(const QUrl& url, bool linkClicked, bool ctrlDown);

    bool m_bOwnNavigation = false;

private:
    CQuorDoc* m_pDocument;
    std::unique_ptr<QPrinter> m_printer; // the page being printed
    std::function<void(const QUrl&)> m_forceDownload;
};
