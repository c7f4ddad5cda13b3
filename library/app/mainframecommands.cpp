// The main frame's command handlers for the catalog, the document and the view.
#include "mainframe.h"

#include "appglobals.h"
#include "codepage.h"
#include "appsettings.h"
#include "catalogtree.h"
#include "commandids.h"
#include "dockpagebar.h"
#include "finddlg.h"
#include "fileutil.h"
#include "httpdownloaddlg.h"
#include "linklocalizer.h"
#include "messagebox.h"
#include "propertiesdlg.h"
#include "quordoc.h"
#include "quorview.h"
#include "runtimedir.h"
#include "shell.h"
#include "storage.h"

#include <QAction>
#include <QFileDialog>
#include <QUrl>

#include <algorithm>
#include <unistd.h>
#include <vector>

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

void CMainFrame::onCatalogLoad()
{
    SetMessageText({});
    const std::string path = m_pDocument->GetPathName();
    std::string error;
    m_bCatalogLoaded = m_wndTree->LoadCatalog(path, &error);
    if (!m_bCatalogLoaded) {
        // The file stays as it is: nothing is saved over a catalog that could not be read.
        qWarning("Quor: catalog not opened: %s", error.c_str());
        const MsgResult answer =
            ShowMessageBox(this, tr("目录文件无法读取，没有打开：\n%1\n\n要打开另一个目录文件吗？").arg(q(error)),
                           QStringLiteral("Quor"), MsgButtons::YesNo, MsgIcon::Warning);
        SetMessageText(tr("没有打开目录文件"));
        if (answer == MsgResult::Yes)
            PostCommand(ID_FILE_OPEN);
        return;
    }
    m_wndTree->expand(m_wndTree->CatalogModel()->index(0, 0));
    const std::string problem = DataFolderProblem(g_szDataFolder);
    if (!problem.empty())
        ShowMessageBox(this, tr("数据文件夹不能写入，新文章无法保存：\n%1").arg(q(problem)), QStringLiteral("Quor"),
                       MsgButtons::Ok, MsgIcon::Warning);
}

bool CMainFrame::onCatalogSave()
{
    if (!m_bCatalogLoaded)
        return false;
    std::string error;
    if (m_wndTree->SaveCatalog(m_pDocument->GetPathName(), &error))
        return true;
    ShowMessageBox(this, tr("目录信息没有保存：\n%1").arg(q(error)), QStringLiteral("Quor"), MsgButtons::Ok,
                   MsgIcon::Critical);
    return false;
}

bool CMainFrame::onFileSave()
{
    if (!m_bCatalogLoaded)
        return true;
    std::string error;
    return m_pDocument->OnSaveDocument(
        [this](const std::string& path, std::string* why) {
            if (m_wndTree->SaveCatalog(path, why))
                return true;
            ShowMessageBox(this, tr("目录信息没有保存：\n%1").arg(q(*why)), QStringLiteral("Quor"), MsgButtons::Ok,
                           MsgIcon::Critical);
            return false;
        },
        &error);
}

bool CMainFrame::openCatalog(const std::string& path)
{
    const std::string previous = m_pDocument->GetPathName();
    const bool hadCatalog = m_bCatalogLoaded;
    std::string error;
    if (!m_pDocument->OnOpenDocument(path, &error)) {
        ShowMessageBox(this, tr("无法打开文档。\n\n%1\n%2").arg(q(path), q(error)), QStringLiteral("Quor"),
                       MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    onCatalogLoad();
    if (!m_bCatalogLoaded && hadCatalog) {
        // The catalog in memory is still the one before: it stays open, with its own name.
        m_pDocument->SetPathName(previous);
        m_bCatalogLoaded = true;
        return false;
    }
    AddRecentFile(*m_pProfile, m_pDocument->GetPathName());
    updateRecentFiles();
    m_pView->ShowStartPage();
    return true;
}

void CMainFrame::onFileOpen(const QString& chosen)
{
    if (m_pDocument->IsModified()) {
        const MsgResult answer =
            ShowMessageBox(this, tr("将改动保存到 %1？").arg(q(m_pDocument->GetTitle())), QStringLiteral("Quor"),
                           MsgButtons::YesNoCancel, MsgIcon::Question);
        if (answer == MsgResult::Cancel || (answer == MsgResult::Yes && !onFileSave()))
            return;
    }
    const QString path = !chosen.isEmpty()
                             ? chosen
                             : QFileDialog::getOpenFileName(this, tr("打开目录信息"), QString(), tr("Quor目录文件 (*.xml)"));
    if (!path.isEmpty())
        openCatalog(path.toStdString());
}

void CMainFrame::onViewCatalog()
{
    m_bCatalogVisible = !m_bCatalogVisible;
    m_wndDockPageBar->setVisible(m_bCatalogVisible);
    m_actions[ID_VIEW_CATALOG]->setChecked(m_bCatalogVisible);
}

void CMainFrame::onFolderNew()
{
    if (!m_bCatalogLoaded)
        return;
    QModelIndex target = m_wndTree->currentIndex();
    if (!target.isValid())
        target = m_wndTree->CatalogModel()->index(0, 0);
    const QModelIndex added = m_wndTree->AddItem(target, QStringLiteral("New Folder"), true);
    if (!added.isValid())
        return;
    m_wndTree->expand(added.parent());
    m_wndTree->setCurrentIndex(added);
    m_wndTree->scrollTo(added);
    OnCommand(ID_CATALOG_MODIFIED);
    m_wndTree->setFocus();
    m_wndTree->edit(added); // named at once
}

void CMainFrame::onItemDelete()
{
    if (!m_bCatalogLoaded)
        return;
    m_wndTree->DeleteSelected();
    OnCommand(ID_CATALOG_MODIFIED);
    m_wndTree->activateWindow();
    m_wndTree->setFocus();
}

void CMainFrame::onFind()
{
    if (!m_bCatalogLoaded)
        return;
    CFindDlg dialog(this);
    dialog.SetKeyword(m_strLastKeyword);
    dialog.SetFindInText(m_wndTree->m_bFindInText);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_strLastKeyword = dialog.Keyword();
    m_wndTree->m_bFindInText = dialog.FindInText();
    m_wndTree->m_hLastFound = CXmlNode();
    m_wndTree->m_hLastFound = m_wndTree->FindNext(m_strLastKeyword.toStdString(), {}, m_wndTree->m_bFindInText);
    if (m_wndTree->m_hLastFound)
        m_wndTree->SelectNode(m_wndTree->m_hLastFound);
    else
        SetMessageText(tr("没有找到“%1”").arg(m_strLastKeyword));
    m_wndTree->activateWindow();
    m_wndTree->setFocus();
}

void CMainFrame::onFindNext()
{
    if (!m_bCatalogLoaded)
        return;
    m_wndTree->m_hLastFound =
        m_wndTree->FindNext(m_strLastKeyword.toStdString(), m_wndTree->m_hLastFound, m_wndTree->m_bFindInText);
    if (m_wndTree->m_hLastFound)
        m_wndTree->SelectNode(m_wndTree->m_hLastFound);
    else
        SetMessageText(tr("没有找到“%1”").arg(m_strLastKeyword));
}

void CMainFrame::onMerge()
{
    if (!m_bCatalogLoaded)
        return;
    const QString path = QFileDialog::getOpenFileName(this, tr("合并目录信息"), QString(),
                                                      tr("XML Files (*.xml);;All Files (*)"));
    if (path.isEmpty())
        return; // cancelled: nothing is touched
    CCatalog::MergeFiles files;
    if (m_wndTree->MergeCatalog(path.toStdString(), &files) < 0) {
        SetMessageText(tr("无法读取 %1，目录没有改变").arg(path));
        return;
    }
    if (!files.failed.empty()) {
        QStringList lines;
        for (const std::string& failure : files.failed)
            lines << q(failure);
        ShowMessageBox(this, tr("合并的目录中有些文章文件没有复制过来：\n%1").arg(lines.mid(0, 20).join(QLatin1Char('\n'))),
                       QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Warning);
    }
    OnCommand(ID_CATALOG_MODIFIED);
    // Each pass that asks for another has moved a folder; a bound keeps odd titles (a "/" in
    // one makes two paths look alike) from turning this into an endless loop.
    std::vector<CXmlNode> items;
    CCatalog::CollectItems(m_catalog->Root(), items);
    for (std::size_t pass = 0; pass <= items.size() && m_wndTree->CatalogModel()->UnifyFolders(); ++pass) {
    }
    m_wndTree->expand(m_wndTree->CatalogModel()->index(0, 0));
}

void CMainFrame::onItemProperties()
{
    if (!m_bCatalogLoaded)
        return;
    const QPersistentModelIndex index = m_wndTree->currentIndex();
    const CXmlNode node = m_wndTree->CatalogModel()->NodeOf(index);
    if (!node)
        return;
    CatalogItemInfo info;
    CCatalog::GetItemInfo(node, info);
    const std::string attachDir = GetAttachDir(info.id);
    if (Cp936Length(info.file) < 4)
        info.file = QUOR_FOLDER_MARKER;
    CPropertiesDlg dialog(info, ResolveArticleFile(info.file), attachDir, this);
    if (dialog.exec() != QDialog::Accepted || !index.isValid())
        return;
    CatalogItemInfo edited = dialog.Info();
    // The root and the recycle folder keep their names; an empty title changes nothing.
    const bool special = node == m_catalog->Root() || node == m_catalog->Recycle();
    if (special || edited.title.empty())
        edited.title = info.title;
    m_wndTree->CatalogModel()->SetItemInfo(index, edited);
    OnCommand(ID_CATALOG_MODIFIED);
}

void CMainFrame::onArticleShow()
{
    CatalogItemInfo info;
    CCatalog::GetItemInfo(m_wndTree->SelectedNode(), info);
    if (IsFolderFile(info.file))
        return; // a folder: the page stays
    const std::string path = ResolveArticleFile(info.file);
    if (path.size() <= 3) {
        SetMessageText(QStringLiteral("ERROR! File Not Fond. ") + q(info.file));
        return;
    }
    m_pDocument->m_strArticleUrl = PathToFileUrl(path);
    m_pDocument->m_strAttachDir = GetAttachDir(info.id);
    OnCommand(ID_VIEW_NAVIGATE);
}

void CMainFrame::onForceDownload(const QUrl& url)
{
    // Into the attachment folder of the article shown last.
    const std::string attachDir = m_pDocument->m_strAttachDir;
    if (attachDir.empty()) {
        SetMessageText(tr("没有显示文章，链接无法下载"));
        return;
    }
    const std::string found = GetExistingPath(attachDir);
    const std::string attachName = found.empty() ? std::string() : GetFileNamePart(found);
    std::string address = url.toString().toStdString();
    std::vector<std::string> failures;
    const bool done = ForceLocalizeLink(attachDir, attachName, address, failures, {},
                                        DialogDownloader(this, [this](const QString& text) { SetMessageText(text); }));
    const std::string local = done ? attachDir + "/" + GetFileNamePart(address) : address;
    if (!done || !failures.empty()) {
        const std::string first = failures.empty() ? address : failures.front();
        ShowMessageBox(this,
                       QStringLiteral("Force to download link, Fail.\r\n") + q(first) + QStringLiteral("\r\nto: \r\n") +
                           q(local),
                       QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    ShowMessageBox(this,
                   QStringLiteral("Force to download link, succeed\r\n") + url.toString() +
                       QStringLiteral("\r\nto: \r\n") + q(local),
                   QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::None);
}

void CMainFrame::onAbout()
{
    ShowMessageBox(this,
                   tr("Quor %1\n\n个人文章库：收集网页，整理目录，编辑与发布。").arg(QStringLiteral(QUOR_VERSION)),
                   tr("关于 Quor"), MsgButtons::Ok, MsgIcon::Information);
}

std::string CMainFrame::PostingTitle(const std::string& title)
{
    std::string cut = Cp936CutUtf8(title, 60);
    if (cut.size() < title.size())
        cut += "..";
    std::replace(cut.begin(), cut.end(), '"', '_');
    return cut;
}

void CMainFrame::onArticlePost()
{
    if (!m_bCatalogLoaded)
        return;
    CatalogItemInfo info;
    CCatalog::GetItemInfo(m_wndTree->CatalogModel()->NodeOf(m_wndTree->currentIndex()), info);
    GetAttachDir(info.id);
    if (Cp936Length(info.file) <= 3)
        return;
    // Tolvane beside us first, then in our data folder, then on PATH.
    std::string program = ExecutableDir() + "/Tolvane";
    if (::access(program.c_str(), X_OK) != 0)
        program = FindProgram("Tolvane", {GetModuleDir()});
    if (program.empty() || !StartProgram(program, {ResolveArticleFile(info.file), PostingTitle(info.title)}))
        SetMessageText(tr("找不到发表程序 Tolvane"));
}

void CMainFrame::onFileSaveAs()
{
    if (!m_bCatalogLoaded)
        return;
    const QString chosen = QFileDialog::getSaveFileName(this, tr("目录信息另存为"), q(m_pDocument->GetPathName()),
                                                        tr("Quor目录文件 (*.xml)"));
    if (chosen.isEmpty())
        return;
    std::string error;
    if (!m_pDocument->OnSaveDocumentAs(
            chosen.toStdString(), [this](const std::string& path, std::string* why) { return m_wndTree->SaveCatalog(path, why); },
            &error)) {
        ShowMessageBox(this, tr("目录信息没有保存：\n%1").arg(q(error)), QStringLiteral("Quor"), MsgButtons::Ok,
                       MsgIcon::Critical);
        return;
    }
    AddRecentFile(*m_pProfile, m_pDocument->GetPathName());
    updateRecentFiles();
}
