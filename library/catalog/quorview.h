#pragma once
// The article view: an embedded web view that shows the start page and the articles.
// Captured pages run no script here.

#include <QWebEngineView>

class CQuorDoc;

class CQuorView final : public QWebEngineView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CQuorView)

public:
    explicit CQuorView(CQuorDoc* document, QWidget* parent = nullptr);

    static QUrl StartPageUrl();
    void ShowStartPage();

private:
    CQuorDoc* m_pDocument;
};
