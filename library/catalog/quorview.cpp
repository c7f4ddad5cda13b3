#include "quorview.h"

#include "quordoc.h"

#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>

namespace {

// Hands every navigation to the view's before-navigate rule.
class CQuorPage final : public QWebEnginePage
{
public:
    explicit CQuorPage(CQuorView* view) : QWebEnginePage(view), m_view(view) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        if (!isMainFrame)
            return true;
        const bool ctrl = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
        return m_view->BeforeNavigate(url, type == NavigationTypeLinkClicked, ctrl);
    }

private:
    CQuorView* m_view;
};

} // namespace

CQuorView::CQuorView(CQuorDoc* document, QWidget* parent) : QWebEngineView(parent), m_pDocument(document)
{
    setPage(new CQuorPage(this));
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QWebEngineView::printFinished, this, [this](bool) { m_printer.reset(); });
    // A Ctrl-click, or a link that asks for a new window, arrives as a new-window request:
    // fetched when Ctrl is held and a handler is set, else opened in this view.
    connect(page(), &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
        const bool ctrl = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
        if (ctrl && m_forceDownload && request.isUserInitiated()) {
            m_forceDownload(request.requestedUrl());
            return;
        }
        load(request.requestedUrl());
    });
}

CQuorView::~CQuorView() = default;

QUrl CQuorView::StartPageUrl()
{
    return QUrl(QStringLiteral("qrc:/quor/start.html"));
}

void CQuorView::ShowStartPage()
{
    load(StartPageUrl());
}

void CQuorView::OnNavigate()
{
    m_bOwnNavigation = true;
    // A local article is opened by its path, so that '#', '?' or '%' in a folder name stay
    // part of the name.
    const std::string& url = m_pDocument->m_strArticleUrl;
    if (url.rfind("file://", 0) == 0)
        load(QUrl::fromLocalFile(QString::fromStdString(url.substr(7))));
    else
        load(QUrl(QString::fromStdString(url)));
}

void CQuorView::OnRefresh()
{
    reload();
}

void CQuorView::OnPrint()
{
    if (m_printer)
        return; // still printing
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_printer = std::move(printer);
    print(m_printer.get());
}

bool CQuorView::BeforeNavigate(const QUrl& url, bool linkClicked, bool ctrlDown)
{
    // The view's own navigation to an article is shielded for exactly one request.
    const bool own = m_bOwnNavigation;
    m_bOwnNavigation = false;
    if (!own && linkClicked && ctrlDown && m_forceDownload) {
        m_forceDownload(url);
        return false;
    }
    return true;
}
