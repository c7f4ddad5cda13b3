// The main frame's commands that put articles into the library: a new empty article, a
// capture from the clipboard, an import, and fetching an article's linked files again.
#include "mainframe.h"

#include "appglobals.h"
#include "articlepage.h"
#include "capturedlg.h"
#include "catalog.h"
#include "catalogtree.h"
#include "clipboardhtml.h"
#include "clipboardreader.h"
#include "commandids.h"
#include "fileutil.h"
#include "htmlcharset.h"
#include "httpdownloaddlg.h"
#include "messagebox.h"
#include "pagesource.h"
#include "shellfileop.h"
#include "storage.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QProgressDialog>
#include <QLineEdit>
#include <QTimer>

#include <atomic>
#include <cctype>
#include <chrono>
#include <thread>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

constexpr std::size_t kMaxArticleBytes = std::size_t(256) << 20;

} // namespace

QPersistentModelIndex CMainFrame::newArticleTarget() const
{
    const QModelIndex current = m_wndTree->currentIndex();
    return current.isValid() ? current : m_wndTree->CatalogModel()->index(0, 0);
}

bool CMainFrame::captureBusy()
{
    if (!m_pCapture)
        return false;
    SetMessageText(tr("正在下载文章的关联文件，请稍候"));
    return true;
}

QModelIndex CMainFrame::addArticle(const QPersistentModelIndex& target, const CatalogItemInfo& info)
{
    const QModelIndex parent = target.isValid() ? QModelIndex(target) : m_wndTree->CatalogModel()->index(0, 0);
    const QModelIndex item = m_wndTree->AddItem(parent, QStringLiteral("New Article"), false);
    m_wndTree->CatalogModel()->SetItemInfo(item, info);
    m_wndTree->setCurrentIndex(item);
    return item;
}

void CMainFrame::onArticleNew()
{
    if (!m_bCatalogLoaded || captureBusy())
        return;
    const std::string id = MakeArticleId();
    const std::string path = GetArticlePath(id);
    const int fd = path.empty() ? -1 : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0 || ::close(fd) != 0) {
        ShowMessageBox(this, QStringLiteral("Create File Fail!") + q(path), QStringLiteral("Quor"), MsgButtons::Ok,
                       MsgIcon::Critical);
        return;
    }
    addArticle(newArticleTarget(), CatalogItemInfo{"New Article", id, id + ".html", "", id});
    OnCommand(ID_CATALOG_MODIFIED);
    PostCommand(ID_ARTICLE_EDIT);
}

void CMainFrame::onEditPaste()
{
    if (m_wndTree->IsEditingLabel()) {
        // Ctrl+V while a name is being edited pastes into the name.
        if (auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget()))
            editor->paste();
        return;
    }
    if (!m_bCatalogLoaded || captureBusy())
        return;
    std::string text;
    CClipboardHtml clip;
    if (ReadClipboardHtml(text) > 0)
        clip.Parse(text);
    if (text.size() < 10) {
        ShowMessageBox(this, tr("剪贴板上没有发现HTML内容！"), QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    const QPersistentModelIndex target = newArticleTarget();
    const std::string id = MakeArticleId();
    const std::string path = GetArticlePath(id);
    const ProcessedPage page = processPage(JoinClipboardPage(clip), clip.m_strSourceUrl, true, id);
    std::string error;
    if (path.empty() || !WriteFileAtomically(path, page.html, &error)) {
        // No item is left behind without its file.
        ShowMessageBox(this, QStringLiteral("Create File Fail!") + q(error.empty() ? path : error), QStringLiteral("Quor"),
                       MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    addArticle(target, CatalogItemInfo{ArticleTitle(page.html), id, id + ".html", clip.m_strSourceUrl, id});
    OnCommand(ID_CATALOG_MODIFIED);
    reportCapture(page);
}

void CMainFrame::onArticleImport()
{
    if (!m_bCatalogLoaded || captureBusy())
        return;
    const QString chosen = QFileDialog::getOpenFileName(this, tr("导入文件"), QString(),
                                                        QStringLiteral("HTML Files (*.html *.htm *.mht *.eml)"));
    if (chosen.isEmpty())
        return;
    ImportArticle(chosen.toStdString());
}

bool CMainFrame::ImportArticle(const std::string& chosen)
{
    const std::string id = MakeArticleId();
    std::string file = id + ".html";
    std::string path = GetArticlePath(id);
    std::string ext = GetFileExt(chosen);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool html = ext == "htm" || ext == "html";
    if (!html && !ext.empty()) {
        file = ReplaceFileExt(file, ext);
        path = ReplaceFileExt(path, ext);
    }
    if (path.empty() || !CopyFileShell(chosen, path)) {
        const std::string reason = ShowLastErrorText();
        ShowMessageBox(this, QStringLiteral("Copy File Fail!") + q(reason) + q(chosen) + QStringLiteral("to") + q(path),
                       QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    const QModelIndex item = addArticle(newArticleTarget(), CatalogItemInfo{"New Article", id, file, PathToFileUrl(chosen), id});
    if (html && RelocaliseArticle(item)) {
        m_wndTree->setCurrentIndex(m_wndTree->CatalogModel()->IndexOf(m_wndTree->SelectedNode()));
        OnCommand(ID_ARTICLE_SHOW);
    }
    OnCommand(ID_CATALOG_MODIFIED);
    return true;
}

void CMainFrame::onDownloadLinks()
{
    if (!m_bCatalogLoaded || captureBusy())
        return;
    const QModelIndex item = m_wndTree->currentIndex();
    if (item.isValid() && RelocaliseArticle(item)) {
        m_wndTree->setCurrentIndex(item);
        OnCommand(ID_ARTICLE_SHOW);
    }
}

bool CMainFrame::RelocaliseArticle(const QModelIndex& item)
{
    CatalogItemInfo info;
    CCatalog::GetItemInfo(m_wndTree->CatalogModel()->NodeOf(item), info);
    if (info.file.size() <= 3)
        return false;
    const std::string path = ResolveArticleFile(info.file);
    if (path.size() <= 3) {
        SetMessageText(QStringLiteral("File Not Found! ") + q(info.file));
        return false;
    }
    std::string text;
    if (const int err = ReadWholeFile(path, text, kMaxArticleBytes); err != 0) {
        SetMessageText(q(ErrnoText(path, err)));
        return false;
    }
    text.resize(std::min(text.size(), text.find('\0')));
    const ProcessedPage page = processPage(std::move(text), info.source, false, info.id);
    if (!WriteFileAtomically(path, page.html)) {
        ShowMessageBox(this, QStringLiteral("Create File Fail!"), QStringLiteral("Quor"), MsgButtons::Ok,
                       MsgIcon::Critical);
        return false;
    }
    reportCapture(page);
    return true;
}

ProcessedPage CMainFrame::processPage(std::string page, const std::string& source, bool resolve, const std::string& id)
{
    const std::string attachDir = GetAttachDir(id);
    if (attachDir.empty())
        ShowMessageBox(this, tr("文章的附件文件夹无法建立，链接的文件没有下载：\n%1").arg(q(DataFolderProblem(g_szDataFolder))),
                       QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Warning);
    CCaptureDlg dialog(this);
    m_pCapture = &dialog;
    const ProcessedPage processed =
        ProcessArticlePage(std::move(page), source, resolve, attachDir, GetAttachDirName(id), dialog.Fetcher());
    m_pCapture = nullptr;
    if (m_bCloseAfterCapture)
        QTimer::singleShot(0, this, &QWidget::close);
    return processed;
}

void CMainFrame::reportCapture(const ProcessedPage& page)
{
    if (m_bCloseAfterCapture || !page.localised)
        return; // the window is closing, or the user was told already
    ReportLocalizeResult(this, page.result, [this](const QString& text) { SetMessageText(text); });
}

void CMainFrame::onArticleFromUrl()
{
    if (!m_bCatalogLoaded || captureBusy())
        return;
    bool ok = false;
    const QString address =
        QInputDialog::getText(this, tr("从网址建立文档"), tr("网址："), QLineEdit::Normal, QString(), &ok).trimmed();
    if (ok && !address.isEmpty())
        CaptureFromAddress(address.toStdString());
}

bool CMainFrame::CaptureFromAddress(const std::string& address)
{
    std::string unused;
    if (ClassifyInput(address, unused) != InputKind::Web) {
        ShowMessageBox(this, tr("只能从 http 或 https 网址建立文档：\n%1").arg(q(address)), QStringLiteral("Quor"),
                       MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    const QPersistentModelIndex target = newArticleTarget();
    const std::string id = MakeArticleId();
    const std::string path = GetArticlePath(id);
    const std::string attachDir = GetAttachDir(id);
    if (path.empty() || attachDir.empty()) {
        ShowMessageBox(this, QStringLiteral("Create File Fail!") + q(DataFolderProblem(g_szDataFolder)),
                       QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }

    // The page itself comes in the background; the window stays alive and Cancel works.
    SourcePage page;
    bool cancelled = false;
    {
        QProgressDialog progress(tr("正在下载 %1").arg(q(address)), tr("取消"), 0, 0, this);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(300);
        std::atomic<bool> abort{false}, done{false};
        std::thread worker([&] {
            page = FetchSourcePage(address, attachDir, PageSourceOptions{}, abort, {});
            done = true;
        });
        while (!done) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            if (progress.wasCanceled())
                abort = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        worker.join();
        cancelled = progress.wasCanceled();
    }
    if (!page.ok) {
        ::rmdir(attachDir.c_str()); // only when nothing came: an empty folder is all it holds
        if (cancelled)
            return false; // the user's own choice: nothing to report
        ShowMessageBox(this, tr("网页没有取到：%1\n%2").arg(q(address), q(page.error)), QStringLiteral("Quor"),
                       MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    // A page is captured as a clipboard capture would be, from its final address; anything
    // else (a PDF, a picture) is kept in the attachment folder and linked.
    ProcessedPage processed;
    std::string title = page.fileName;
    if (page.html) {
        processed = processPage(Utf8ToEntities(DecodeServedHtml(page.bytes, page.contentType)), page.address, true, id);
        title = ArticleTitle(processed.html);
    } else {
        processed.html = LinkedFileArticle(page.fileName, GetAttachDirName(id), page.contentType, page.address);
    }
    std::string error;
    if (!WriteFileAtomically(path, processed.html, &error)) {
        ShowMessageBox(this, QStringLiteral("Create File Fail!") + q(error), QStringLiteral("Quor"), MsgButtons::Ok,
                       MsgIcon::Critical);
        return false;
    }
    addArticle(target, CatalogItemInfo{title, id, id + ".html", page.address, id});
    OnCommand(ID_CATALOG_MODIFIED);
    if (page.html)
        reportCapture(processed);
    return true;
}
