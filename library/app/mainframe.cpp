#include "mainframe.h"

#include "appglobals.h"
#include "appsettings.h"
#include "capturedlg.h"
#include "catalogtree.h"
#include "commandicons.h"
#include "commandids.h"
#include "dockpagebar.h"
#include "globalhotkey.h"
#include "lockkeys.h"
#include "messagebox.h"
#include "missiontable.h"
#include "quordoc.h"
#include "quorview.h"
#include "windowmessage.h"
#include "windowmessagelistener.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>

#include <algorithm>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace {

const char kIdleText[] = QT_TRANSLATE_NOOP("CMainFrame", "就绪");

// Tool bar 128; 0 is a separator.
constexpr int kToolBar[] = {
    ID_FILE_SAVE,      0, ID_ARTICLE_NEW, ID_FOLDER_NEW, ID_EDIT_PASTE, ID_ARTICLE_FROM_URL, ID_ARTICLE_EDIT, ID_ARTICLE_IMPORT, 0,
    ID_FIND,           ID_FIND_NEXT,      0,              ID_VIEW_CATALOG, ID_EDITOR_WINDOWS, 0, ID_APP_ABOUT,
};

// Status prompts and tool tips: the text before '\n' is the prompt, after it the tip.
struct CommandText
{
    int id;
    const char* text;
};
constexpr CommandText kCommandTexts[] = {
    {ID_VIEW_CATALOG, QT_TRANSLATE_NOOP("CMainFrame", "显示隐藏目录树\n显示隐藏目录树")},
    {ID_ARTICLE_NEW, QT_TRANSLATE_NOOP("CMainFrame", "新建空白文章\n新建文章")},
    {ID_FOLDER_NEW, QT_TRANSLATE_NOOP("CMainFrame", "新建文件夹\n新文件夹")},
    {ID_ITEM_DELETE, QT_TRANSLATE_NOOP("CMainFrame", "删除文件或目录\n删除")},
    {ID_OPTIONS, QT_TRANSLATE_NOOP("CMainFrame", "设置个人偏好\n设置个人偏好")},
    {ID_ARTICLE_EDIT, QT_TRANSLATE_NOOP("CMainFrame", "编辑选中的文章\n编辑文章")},
    {ID_EDITOR_WINDOWS, QT_TRANSLATE_NOOP("CMainFrame", "窗口管理器\n窗口管理器")},
    {ID_ARTICLE_IMPORT, QT_TRANSLATE_NOOP("CMainFrame", "导入已有的HTML文件\n导入文件")},
    {ID_FIND, QT_TRANSLATE_NOOP("CMainFrame", "查找目录\n查找目录")},
    {ID_FIND_NEXT, QT_TRANSLATE_NOOP("CMainFrame", "查找下一个\n查找下一个")},
    {ID_EDIT_PASTE, QT_TRANSLATE_NOOP("CMainFrame", "从剪贴板建立文档\n从剪贴板建立文档")},
    {ID_ARTICLE_FROM_URL, QT_TRANSLATE_NOOP("CMainFrame", "从网址建立文档\n从网址建立文档")},
    {ID_FILE_SAVE, QT_TRANSLATE_NOOP("CMainFrame", "保存目录信息\n保存")},
    {ID_APP_ABOUT, QT_TRANSLATE_NOOP("CMainFrame", "显示程序信息\n关于")},
};

} // namespace

CMainFrame::CMainFrame(CQuorDoc* document, CProfile* profile, QWidget* parent)
    : QMainWindow(parent), m_pDocument(document), m_catalog(std::make_unique<CCatalog>()), m_pProfile(profile)
{
    setObjectName(QStringLiteral("QuorMainFrame"));
    resize(1000, 700);
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::Create()
{
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    createCatalogBar();

    m_pView = new CQuorView(m_pDocument, this);
    setCentralWidget(m_pView);
    // The window's size and the bars' places from the last run.
    CDockPageBar::RestoreWindowLayout(*this, *m_pProfile);
    m_pView->SetForceDownload([this](const QUrl& url) { onForceDownload(url); });

    m_pHotKey = new CGlobalHotKey(this);
    connect(m_pHotKey, &CGlobalHotKey::activated, this, &CMainFrame::restoreFromHotKey);
    m_pHotKey->Register(); // without it the program runs all the same

    m_pListener = new CWindowMessageListener(this);
    if (!m_pListener->Listen(WindowHandle()))
        qWarning("Quor: editor notices cannot reach this window: %s", m_pListener->ErrorText().c_str());
    connect(m_pListener, &CWindowMessageListener::messagePosted, this, [this](quint32 message, quint32 command, qint32 slot) {
        if (message == WM_EDITOR_NOTIFY)
            postLater([this, command, slot] { OnEditorNotify(command, slot); });
    });

    connect(m_pDocument, &CQuorDoc::pathChanged, this, &CMainFrame::updateTitle);
    connect(m_pDocument, &CQuorDoc::modifiedChanged, this, &CMainFrame::updateTitle);
    updateTitle();

    // The view's first update: load the catalog, then the start page.
    PostCommand(ID_CATALOG_LOAD);
    m_pView->ShowStartPage();
    return true;
}

QAction* CMainFrame::addCommand(int id, const QString& text, const QString& prompt)
{
    auto* action = new QAction(text, this);
    action->setData(id);
    for (const auto& t : kCommandTexts) {
        if (t.id != id)
            continue;
        const QStringList parts = tr(t.text).split(QLatin1Char('\n'));
        action->setStatusTip(parts.value(0));
        action->setToolTip(parts.value(1));
    }
    if (!prompt.isEmpty())
        action->setStatusTip(prompt);
    action->setIcon(CommandIcon(id));
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions[id] = action;
    return action;
}

QAction* CMainFrame::CommandAction(int id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::createActions()
{
    addCommand(ID_FILE_OPEN, tr("打开目录信息(&O)...\tCtrl+O"), tr("打开另一个目录文件"))->setShortcut(QKeySequence::Open);
    addCommand(ID_FILE_SAVE, tr("保存目录信息(&S)\tCtrl+S"))->setShortcut(QKeySequence::Save);
    addCommand(ID_FILE_SAVE_AS, tr("目录信息另存为(&A)..."), tr("用新的名字保存目录信息"));
    addCommand(ID_ARTICLE_POST, tr("贴到Marvu空间\t(&B)"), tr("用 Tolvane 发表选中的文章"));
    addCommand(ID_CATALOG_MERGE, tr("合并目录信息(&M)"), tr("把另一个目录文件合并进来"));
    addCommand(ID_APP_EXIT, tr("保存并退出(&X)"), tr("保存目录信息并退出"));
    addCommand(ID_ARTICLE_EDIT, tr("编辑文章\t(&E)"));
    addCommand(ID_ARTICLE_NEW, tr("新建空文章\t(&N)"));
    addCommand(ID_FOLDER_NEW, tr("新建文件夹\t(&F)"));
    addCommand(ID_EDIT_PASTE, tr("从剪贴板建立文档(&P)\tCtrl+V"))->setShortcut(QKeySequence::Paste);
    addCommand(ID_ARTICLE_FROM_URL, tr("从网址建立文档(&U)..."));
    addCommand(ID_ARTICLE_IMPORT, tr("导入文件\t(&M)"));
    addCommand(ID_ITEM_DELETE, tr("删除选中项目\t(&D)"));
    addCommand(ID_ARTICLE_DOWNLOAD_LINKS, tr("下载关联文件\t(&L)"));
    addCommand(ID_ITEM_DETAILS, tr("查看详细信息\t(&I)"));
    addCommand(ID_FIND, tr("查找目录(&F)\tCtrl+F"));
    addCommand(ID_FIND_NEXT, tr("查找下一个\t(&N)"));
    addCommand(ID_OPTIONS, tr("选项\t(&O)"));
    addCommand(ID_EDITOR_WINDOWS, tr("窗口..(&W)"));
    addCommand(ID_APP_ABOUT, tr("关于 Quor(&A)..."));
    addCommand(ID_VIEW_TOOLBAR, tr("工具栏(&T)"), tr("显示或隐藏工具栏"))->setCheckable(true);
    addCommand(ID_VIEW_STATUS_BAR, tr("状态栏(&S)"), tr("显示或隐藏状态栏"))->setCheckable(true);
    addCommand(ID_VIEW_CATALOG, tr("目录树(&R)"))->setCheckable(true);
    for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_CATALOG})
        m_actions[id]->setChecked(true);
    // Accelerators without a menu entry of their own.
    for (const auto& [id, key] : {std::pair{ID_NEXT_PANE, QKeySequence(Qt::Key_F6)},
                                  std::pair{ID_PREV_PANE, QKeySequence(Qt::SHIFT | Qt::Key_F6)}}) {
        QAction* pane = addCommand(id, id == ID_NEXT_PANE ? tr("下一个窗格") : tr("上一个窗格"));
        pane->setShortcut(key);
        addAction(pane);
    }
    auto* print = addCommand(ID_FILE_PRINT, tr("打印"));
    print->setShortcut(QKeySequence::Print);
    addAction(print);
}

void CMainFrame::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("文件(&F)"));
    file->addAction(m_actions[ID_FILE_OPEN]);
    file->addAction(m_actions[ID_FILE_SAVE]);
    file->addAction(m_actions[ID_FILE_SAVE_AS]);
    file->addSeparator();
    file->addAction(m_actions[ID_CATALOG_MERGE]);
    file->addSeparator();
    m_recentMenu = file->addMenu(tr("最近文件"));
    file->addSeparator();
    file->addAction(m_actions[ID_APP_EXIT]);
    updateRecentFiles();

    QMenu* edit = menuBar()->addMenu(tr("编辑(&E)"));
    for (int id : {ID_ARTICLE_EDIT, ID_ARTICLE_NEW, ID_FOLDER_NEW, ID_EDIT_PASTE, ID_ARTICLE_FROM_URL, ID_ARTICLE_IMPORT,
                   ID_ITEM_DELETE})
        edit->addAction(m_actions[id]);
    edit->addSeparator();
    edit->addAction(m_actions[ID_ARTICLE_DOWNLOAD_LINKS]);
    edit->addSeparator();
    edit->addAction(m_actions[ID_ITEM_DETAILS]);
    edit->addSeparator();
    edit->addAction(m_actions[ID_FIND]);
    edit->addAction(m_actions[ID_FIND_NEXT]);
    edit->addSeparator();
    edit->addAction(m_actions[ID_OPTIONS]);

    QMenu* view = menuBar()->addMenu(tr("查看(&V)"));
    for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_CATALOG, ID_EDITOR_WINDOWS})
        view->addAction(m_actions[id]);
    QMenu* help = menuBar()->addMenu(tr("帮助(&H)"));
    help->addAction(m_actions[ID_APP_ABOUT]);
}

void CMainFrame::updateRecentFiles()
{
    m_recentMenu->clear();
    const std::vector<std::string> files = LoadRecentFiles(*m_pProfile);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString path = QString::fromStdString(files[i]);
        QAction* action = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        connect(action, &QAction::triggered, this, [this, path] { onFileOpen(path); });
    }
    m_recentMenu->setEnabled(!files.empty());
}

void CMainFrame::createToolBar()
{
    m_wndToolBar = addToolBar(tr("工具栏"));
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    for (int id : kToolBar) {
        if (id == 0)
            m_wndToolBar->addSeparator();
        else
            m_wndToolBar->addAction(m_actions[id]);
    }
}

void CMainFrame::createStatusBar()
{
    m_wndMessage = new QLabel(tr(kIdleText), this);
    statusBar()->addWidget(m_wndMessage, 1);
    for (std::size_t i = 0; i < std::size(m_lockPanes); ++i) {
        static const char* const kIndicators[] = {QT_TR_NOOP("大写"), QT_TR_NOOP("数字"), QT_TR_NOOP("滚动")};
        m_lockPanes[i] = new QLabel(tr(kIndicators[i]), this);
        m_lockPanes[i]->setObjectName(QString::fromLatin1("lockPane%1").arg(i));
        m_lockPanes[i]->setEnabled(false);
        statusBar()->addPermanentWidget(m_lockPanes[i]);
    }
    // The lock keys can change in any program: looked at again twice a second.
    auto* lockTimer = new QTimer(this);
    connect(lockTimer, &QTimer::timeout, this, &CMainFrame::updateLockPanes);
    lockTimer->start(500);
    updateLockPanes();
    // Fly-by prompts show in the message pane; the idle text comes back after them.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        m_wndMessage->setVisible(message.isEmpty());
    });
}

void CMainFrame::createCatalogBar()
{
    m_wndDockPageBar = new CDockPageBar(QStringLiteral("DockPageBar"), this);
    m_wndDockPageBar->setAllowedAreas(Qt::AllDockWidgetAreas);
    m_wndTree = new CCatalogTree(new CCatalogModel(*m_catalog, this), m_wndDockPageBar);
    connect(m_wndTree, &CCatalogTree::sendCommand, this, &CMainFrame::OnCommand);
    connect(m_wndTree, &CCatalogTree::postCommand, this, &CMainFrame::PostCommand);
    connect(m_wndTree, &CCatalogTree::messageText, this, &CMainFrame::SetMessageText);
    m_wndDockPageBar->AppendPage(m_wndTree, QStringLiteral("CATALOG"),
                                 CCatalogModel::IconFor(CCatalogModel::ImageFolder, CCatalogModel::ImageFolderOpen));
    addDockWidget(Qt::LeftDockWidgetArea, m_wndDockPageBar);
    resizeDocks({m_wndDockPageBar}, {230}, Qt::Horizontal);
    // The bar's own close button and the menu entry stay in step.
    connect(m_wndDockPageBar, &QDockWidget::visibilityChanged, this, [this](bool) {
        m_bCatalogVisible = m_wndDockPageBar->isVisibleTo(this);
        m_actions[ID_VIEW_CATALOG]->setChecked(m_bCatalogVisible);
    });
}

void CMainFrame::OnCommand(int id)
{
    switch (id) {
    case ID_CATALOG_LOAD:
        onCatalogLoad();
        break;
    case ID_CATALOG_SAVE:
        onCatalogSave();
        break;
    case ID_CATALOG_MODIFIED:
        if (m_bCatalogLoaded)
            m_pDocument->SetModifiedFlag(true);
        break;
    case ID_FILE_SAVE:
        onFileSave();
        break;
    case ID_FILE_OPEN:
        onFileOpen();
        break;
    case ID_CATALOG_MERGE:
        onMerge();
        break;
    case ID_ARTICLE_SHOW:
        onArticleShow();
        break;
    case ID_FOLDER_NEW:
        onFolderNew();
        break;
    case ID_ARTICLE_NEW:
        onArticleNew();
        break;
    case ID_EDIT_PASTE:
        onEditPaste();
        break;
    case ID_ARTICLE_FROM_URL:
        onArticleFromUrl();
        break;
    case ID_ARTICLE_IMPORT:
        onArticleImport();
        break;
    case ID_ARTICLE_DOWNLOAD_LINKS:
        onDownloadLinks();
        break;
    case ID_ITEM_DELETE:
        onItemDelete();
        break;
    case ID_ARTICLE_POST:
        onArticlePost();
        break;
    case ID_FILE_SAVE_AS:
        onFileSaveAs();
        break;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        switchPane();
        break;
    case ID_ARTICLE_EDIT:
        onArticleEdit();
        break;
    case ID_EDITOR_WINDOWS:
        onEditorWindows();
        break;
    case ID_OPTIONS:
        onOptions();
        break;
    case ID_FIND:
        onFind();
        break;
    case ID_FIND_NEXT:
        onFindNext();
        break;
    case ID_ITEM_DETAILS:
        PostCommand(ID_ITEM_PROPERTIES);
        break;
    case ID_ITEM_PROPERTIES:
        onItemProperties();
        break;
    case ID_VIEW_NAVIGATE:
        m_pView->OnNavigate();
        break;
    case ID_VIEW_REFRESH:
        m_pView->OnRefresh();
        break;
    case ID_FILE_PRINT:
        m_pView->OnPrint();
        break;
    case ID_VIEW_CATALOG:
        onViewCatalog();
        break;
    case ID_VIEW_TOOLBAR:
        m_wndToolBar->setVisible(!m_wndToolBar->isVisible());
        m_actions[ID_VIEW_TOOLBAR]->setChecked(m_wndToolBar->isVisible());
        break;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        m_actions[ID_VIEW_STATUS_BAR]->setChecked(statusBar()->isVisible());
        break;
    case ID_APP_EXIT:
        close();
        break;
    case ID_APP_ABOUT:
        onAbout();
        break;
    default:
        break;
    }
}

void CMainFrame::PostCommand(int id)
{
    postLater([this, id] { OnCommand(id); });
}

void CMainFrame::postLater(std::function<void()> work)
{
    // Like a posted message: handled from the event loop, and never inside a dialog that is
    // still open (a box asking about a deletion must not see the catalog change under it)
    // nor inside a capture's own loop.
    QTimer::singleShot(0, this, [this, work = std::move(work)]() mutable {
        if (QApplication::activeModalWidget() || m_pCapture)
            QTimer::singleShot(100, this, [this, work = std::move(work)]() mutable { postLater(std::move(work)); });
        else
            work();
    });
}

void CMainFrame::SetMessageText(const QString& text)
{
    m_wndMessage->setText(text.isEmpty() ? tr(kIdleText) : text);
}

bool CMainFrame::HasHotKey() const
{
    return m_pHotKey && m_pHotKey->IsRegistered();
}

quint32 CMainFrame::WindowHandle() const
{
    return OwnWindowHandle();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_pCapture) {
        // A capture is running: it stops, keeps what came, files its article, then we close.
        m_bCloseAfterCapture = true;
        m_pCapture->reject();
        event->ignore();
        return;
    }
    // The catalog is saved without asking; only a save that failed asks what to do.
    onFileSave();
    while (m_pDocument->IsModified()) {
        const QString name = QString::fromStdString(m_pDocument->GetTitle());
        const MsgResult answer = ShowMessageBox(this, tr("将改动保存到 %1？").arg(name), QStringLiteral("Quor"),
                                                MsgButtons::YesNoCancel, MsgIcon::Question);
        if (answer == MsgResult::Cancel) {
            event->ignore();
            return;
        }
        if (answer == MsgResult::No || onFileSave())
            break;
    }
    noticeEditorsOfClose();
    if (m_pHotKey)
        m_pHotKey->Unregister();
    CDockPageBar::SaveWindowLayout(*this, *m_pProfile);
    QMainWindow::closeEvent(event);
}

void CMainFrame::restoreFromHotKey()
{
    showNormal();
    raise();
    activateWindow();
}

void CMainFrame::updateTitle()
{
    const QString name = QString::fromStdString(m_pDocument->GetTitle());
    // "[*]" shows as '*' while the catalog has unsaved changes.
    setWindowTitle(name.isEmpty() ? QStringLiteral("Quor[*]") : name + QStringLiteral("[*] - Quor"));
    setWindowModified(m_pDocument->IsModified());
}

void CMainFrame::updateLockPanes()
{
    const std::optional<LockKeys> keys = ReadLockKeys();
    const bool on[] = {keys && keys->caps, keys && keys->num, keys && keys->scroll};
    for (std::size_t i = 0; i < std::size(m_lockPanes); ++i)
        m_lockPanes[i]->setEnabled(on[i]);
}

void CMainFrame::switchPane()
{
    // Two panes: the catalog and the article view.
    if (m_wndTree->hasFocus() || !m_wndDockPageBar->isVisible())
        m_pView->setFocus(Qt::ShortcutFocusReason);
    else
        m_wndTree->setFocus(Qt::ShortcutFocusReason);
}
