#include "mainframe.h"

#include "appglobals.h"
#include "commandids.h"
#include "dockpagebar.h"
#include "globalhotkey.h"
#include "messagebox.h"
#include "quordoc.h"
#include "quorview.h"
#include "windowmessage.h"
#include "windowmessagelistener.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

namespace {

const char kIdleText[] = "就绪";

struct ToolButton
{
    int id;
    QStyle::StandardPixmap icon;
};

// Tool bar 128; 0 is a separator.
constexpr ToolButton kToolBar[] = {
    {ID_FILE_SAVE, QStyle::SP_DialogSaveButton}, {0, {}},
    {ID_ARTICLE_NEW, QStyle::SP_FileIcon},       {ID_FOLDER_NEW, QStyle::SP_FileDialogNewFolder},
    {ID_EDIT_PASTE, QStyle::SP_FileDialogContentsView}, {ID_ARTICLE_EDIT, QStyle::SP_FileDialogDetailedView},
    {ID_ARTICLE_IMPORT, QStyle::SP_DialogOpenButton}, {0, {}},
    {ID_FIND, QStyle::SP_FileDialogInfoView},    {ID_FIND_NEXT, QStyle::SP_ArrowForward}, {0, {}},
    {ID_VIEW_CATALOG, QStyle::SP_DirIcon},       {ID_EDITOR_WINDOWS, QStyle::SP_TitleBarNormalButton}, {0, {}},
    {ID_APP_ABOUT, QStyle::SP_MessageBoxInformation},
};

// Status prompts and tool tips: the text before '\n' is the prompt, after it the tip.
struct CommandText
{
    int id;
    const char* text;
};
constexpr CommandText kCommandTexts[] = {
    {ID_VIEW_CATALOG, "显示隐藏目录树\n显示隐藏目录树"}, {ID_ARTICLE_NEW, "新建空白文章\n新建文章"},
    {ID_FOLDER_NEW, "新建文件夹\n新文件夹"},             {ID_ITEM_DELETE, "删除文件或目录\n删除"},
    {ID_OPTIONS, "设置个人偏好\n设置个人偏好"},           {ID_ARTICLE_EDIT, "编辑选中的文章\n编辑文章"},
    {ID_EDITOR_WINDOWS, "窗口管理器\n窗口管理器"},       {ID_ARTICLE_IMPORT, "导入已有的HTML文件\n导入文件"},
    {ID_FIND, "查找目录\n查找目录"},                     {ID_FIND_NEXT, "查找下一个\n查找下一个"},
    {ID_EDIT_PASTE, "从剪贴板建立文档\n从剪贴板建立文档"}, {ID_FILE_SAVE, "保存目录信息\n保存"},
    {ID_APP_ABOUT, "显示程序信息\n关于"},
};

} // namespace

CMainFrame::CMainFrame(CQuorDoc* document, QWidget* parent) : QMainWindow(parent), m_pDocument(document)
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

    m_pHotKey = new CGlobalHotKey(this);
    connect(m_pHotKey, &CGlobalHotKey::activated, this, &CMainFrame::restoreFromHotKey);
    m_pHotKey->Register(); // without it the program runs all the same

    m_pListener = new CWindowMessageListener(this);
    if (!m_pListener->Listen(WindowHandle()))
        qWarning("Quor: editor notices cannot reach this window: %s", m_pListener->ErrorText().c_str());

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
        const QStringList parts = QString::fromUtf8(t.text).split(QLatin1Char('\n'));
        action->setStatusTip(parts.value(0));
        action->setToolTip(parts.value(1));
    }
    if (!prompt.isEmpty())
        action->setStatusTip(prompt);
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
    addCommand(ID_FILE_SAVE, tr("保存目录信息(&S)\tCtrl+S"));
    addCommand(ID_ARTICLE_NEW, tr("新建空文章\t(&N)"));
    addCommand(ID_FOLDER_NEW, tr("新建文件夹\t(&F)"));
    addCommand(ID_EDIT_PASTE, tr("从剪贴板建立文档(&P)\tCtrl+V"));
    addCommand(ID_ARTICLE_EDIT, tr("编辑文章\t(&E)"));
    addCommand(ID_ARTICLE_IMPORT, tr("导入文件\t(&M)"));
    addCommand(ID_FIND, tr("查找目录(&F)\tCtrl+F"));
    addCommand(ID_FIND_NEXT, tr("查找下一个\t(&N)"));
    addCommand(ID_EDITOR_WINDOWS, tr("窗口..(&W)"));
    addCommand(ID_APP_EXIT, tr("保存并退出(&X)"));
    addCommand(ID_APP_ABOUT, tr("关于 Quor(&A)..."));
    addCommand(ID_VIEW_TOOLBAR, tr("工具栏(&T)"), tr("显示或隐藏工具栏"))->setCheckable(true);
    addCommand(ID_VIEW_STATUS_BAR, tr("状态栏(&S)"), tr("显示或隐藏状态栏"))->setCheckable(true);
    addCommand(ID_VIEW_CATALOG, tr("目录树(&R)"))->setCheckable(true);
    for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_CATALOG})
        m_actions[id]->setChecked(true);
    // Commands whose work is not in this build yet stay visible but cannot be chosen.
    for (int id : {ID_FILE_SAVE, ID_ARTICLE_NEW, ID_FOLDER_NEW, ID_EDIT_PASTE, ID_ARTICLE_EDIT,
                   ID_ARTICLE_IMPORT, ID_FIND, ID_FIND_NEXT, ID_EDITOR_WINDOWS})
        m_actions[id]->setEnabled(false);
}

void CMainFrame::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("文件(&F)"));
    file->addAction(m_actions[ID_FILE_SAVE]);
    file->addSeparator();
    file->addAction(m_actions[ID_APP_EXIT]);
    QMenu* view = menuBar()->addMenu(tr("查看(&V)"));
    view->addAction(m_actions[ID_VIEW_TOOLBAR]);
    view->addAction(m_actions[ID_VIEW_STATUS_BAR]);
    view->addAction(m_actions[ID_VIEW_CATALOG]);
    QMenu* help = menuBar()->addMenu(tr("帮助(&H)"));
    help->addAction(m_actions[ID_APP_ABOUT]);
}

void CMainFrame::createToolBar()
{
    m_wndToolBar = addToolBar(tr("工具栏"));
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    for (const auto& button : kToolBar) {
        if (button.id == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = m_actions[button.id];
        action->setIcon(style()->standardIcon(button.icon));
        m_wndToolBar->addAction(action);
    }
}

void CMainFrame::createStatusBar()
{
    m_wndMessage = new QLabel(tr(kIdleText), this);
    statusBar()->addWidget(m_wndMessage, 1);
    for (const char* indicator : {"大写", "数字", "滚动"}) {
        auto* pane = new QLabel(tr(indicator), this);
        pane->setEnabled(false);
        statusBar()->addPermanentWidget(pane);
    }
    // Fly-by prompts show in the message pane; the idle text comes back after them.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        m_wndMessage->setVisible(message.isEmpty());
    });
}

void CMainFrame::createCatalogBar()
{
    m_wndDockPageBar = new CDockPageBar(QStringLiteral("DockPageBar"), this);
    m_wndDockPageBar->setAllowedAreas(Qt::AllDockWidgetAreas);
    m_wndTree = new QTreeView(m_wndDockPageBar);
    m_wndTree->setObjectName(QStringLiteral("CatalogTree"));
    m_wndTree->setHeaderHidden(true);
    auto* model = new QStandardItemModel(m_wndTree);
    model->appendRow(new QStandardItem(style()->standardIcon(QStyle::SP_DirIcon), QStringLiteral("CATALOG")));
    m_wndTree->setModel(model);
    m_wndDockPageBar->AppendPage(m_wndTree, QStringLiteral("CATALOG"), style()->standardIcon(QStyle::SP_DirIcon));
    addDockWidget(Qt::LeftDockWidgetArea, m_wndDockPageBar);
    // The bar's own close button and the menu entry stay in step.
    connect(m_wndDockPageBar, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible && m_wndDockPageBar->isFloating())
            return;
        m_bCatalogVisible = m_wndDockPageBar->isVisibleTo(this);
        m_actions[ID_VIEW_CATALOG]->setChecked(m_bCatalogVisible);
    });
    resizeDocks({m_wndDockPageBar}, {230}, Qt::Horizontal);
}

void CMainFrame::OnCommand(int id)
{
    switch (id) {
    case ID_CATALOG_LOAD:
        onCatalogLoad();
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
    case ID_CATALOG_MODIFIED:
        m_pDocument->SetModifiedFlag(true);
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
    QTimer::singleShot(0, this, [this, id] { OnCommand(id); });
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
    if (m_pHotKey)
        m_pHotKey->Unregister();
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
    setWindowTitle(name.isEmpty() ? QStringLiteral("Quor") : name + QStringLiteral(" - Quor"));
    setWindowModified(m_pDocument->IsModified());
}

void CMainFrame::onCatalogLoad()
{
    SetMessageText({});
    const std::string problem = DataFolderProblem(g_szDataFolder);
    if (!problem.empty())
        ShowMessageBox(this, tr("数据文件夹不能写入，新文章无法保存：\n%1").arg(QString::fromStdString(problem)),
                       QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Warning);
}

void CMainFrame::onViewCatalog()
{
    m_bCatalogVisible = !m_bCatalogVisible;
    m_wndDockPageBar->setVisible(m_bCatalogVisible);
    m_actions[ID_VIEW_CATALOG]->setChecked(m_bCatalogVisible);
}

void CMainFrame::onAbout()
{
    ShowMessageBox(this,
                   tr("Quor %1\n\n个人文章库：收集网页，整理目录，编辑与发布。").arg(QStringLiteral(QUOR_VERSION)),
                   tr("关于 Quor"), MsgButtons::Ok, MsgIcon::Information);
}
