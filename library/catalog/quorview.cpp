#include "quorview.h"

#include "quordoc.h"

#include <QWebEngineSettings>

CQuorView::CQuorView(CQuorDoc* document, QWidget* parent) : QWebEngineView(parent), m_pDocument(document)
{
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    setContextMenuPolicy(Qt::NoContextMenu);
}

QUrl CQuorView::StartPageUrl()
{
    return QUrl(QStringLiteral("qrc:/quor/start.html"));
}

void CQuorView::ShowStartPage()
{
    load(StartPageUrl());
}
