// The main frame's side of editing: handing an article to the editor through the mission
// table, the editor's notices, the "Windows" dialog, the close notice and the options.
#include "mainframe.h"

#include "appglobals.h"
#include "catalog.h"
#include "catalogtree.h"
#include "commandids.h"
#include "editorwindowsdlg.h"
#include "messagebox.h"
#include "missiontable.h"
#include "optiondlg.h"
#include "runtimedir.h"
#include "shell.h"
#include "storage.h"
#include "windowmessage.h"

#include <QDialog>

#include <algorithm>
#include <cctype>

namespace {

void tellUser(QWidget* parent, const QString& text, MsgIcon icon = MsgIcon::None)
{
    ShowMessageBox(parent, text, QStringLiteral("Quor"), MsgButtons::Ok, icon);
}

bool isHtmlFile(const std::string& path)
{
    std::string ext = GetFileExt(path);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "htm" || ext == "html";
}

} // namespace

std::string CMainFrame::FindEditor()
{
    // As given (relative to the current folder or a full path), then beside our programs,
    // then on PATH.
    return FindProgram(g_szEditor, {ExecutableDir(), GetModuleDir()});
}

void CMainFrame::onArticleEdit()
{
    if (!m_bCatalogLoaded || !m_pMissions)
        return;
    const CXmlNode node = m_wndTree->CatalogModel()->NodeOf(m_wndTree->currentIndex());
    if (!node)
        return;
    CatalogItemInfo info;
    CCatalog::GetItemInfo(node, info);
    if (IsFolderFile(info.file))
        return;
    const std::string path = ResolveArticleFile(info.file);

    // The checks come before the slot is published: a command that stops leaves no
    // mission behind, and no editor starting meanwhile can take a half-made one.
    const int slot = m_pMissions->FindFreeSlot();
    if (slot < 0) {
        tellUser(this, QStringLiteral("Too many editing missions!"));
        return;
    }
    const std::string editor = FindEditor();
    if (editor.size() <= 2) {
        tellUser(this, QStringLiteral("Cann't find editor!"));
        return;
    }
    if (!isHtmlFile(path)) {
        tellUser(this, QStringLiteral("Only Edit HTMLdocument!"));
        return;
    }
    GetAttachDir(info.id);
    const EditMission mission{MISSION_EDITING, 0, 0, info.id, info.file, path, GetAttachDirName(info.id), info.title};
    if (!m_pMissions->SetSlot(slot, mission)) {
        tellUser(this, tr("文章的路径太长，编辑器无法接收（最多 299 字节）：\n%1").arg(QString::fromStdString(path)),
                 MsgIcon::Warning);
        return;
    }
    if (m_pMissions->Write() != 1) {
        m_pMissions->SetState(slot, MISSION_FREE);
        tellUser(this, tr("编辑任务表无法共享，编辑器无法接收这篇文章：\n%1")
                           .arg(QString::fromStdString(CSharedMemory::PathFor(QUOR_SHARE_DATA))),
                 MsgIcon::Warning);
        return;
    }
    if (!StartProgram(editor, {})) {
        m_pMissions->Read();
        m_pMissions->SetState(slot, MISSION_FREE);
        m_pMissions->Write();
        tellUser(this, tr("编辑器无法启动：%1").arg(QString::fromStdString(editor)), MsgIcon::Warning);
    }
}

int CMainFrame::OnEditorNotify(quint32 command, qint32 slot)
{
    if (slot < 1 || slot >= MISSION_COUNT || !m_pMissions)
        return 0;
    m_pMissions->Read();
    const EditMission mission = m_pMissions->GetSlot(slot);
    if (mission.state == MISSION_FREE)
        return 0; // a late or forged notice
    switch (command) {
    case EDITOR_CLOSED:
        m_pMissions->SetState(slot, MISSION_FREE);
        m_pMissions->Write();
        return 1;
    case EDITOR_SAVED: {
        const CXmlNode node = m_bCatalogLoaded ? m_catalog->FindById(mission.id) : CXmlNode();
        if (!node)
            return 0;
        m_pMissions->SetState(slot, MISSION_SAVED);
        m_pMissions->Write();
        const QModelIndex item = m_wndTree->CatalogModel()->IndexOf(node);
        if (!RelocaliseArticle(item))
            return 0;
        if (m_pView && m_wndTree->CatalogModel()->NodeOf(m_wndTree->currentIndex()) == node)
            PostCommand(ID_VIEW_REFRESH);
        return 1;
    }
    default:
        return 0;
    }
}

void CMainFrame::onEditorWindows()
{
    if (!m_pMissions)
        return;
    CEditorWindowsDlg dialog(*m_pMissions, this);
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedSlot() == 0)
        return;
    const int slot = dialog.SelectedSlot();
    if (PostWindowMessage(dialog.SelectedWindow(), WM_EDITOR_NOTIFY, EDITOR_ACTIVATE, slot))
        return;
    // No editor answers for it: it ended without saying so (a crash), or never started.
    const MsgResult answer =
        ShowMessageBox(this, tr("这个编辑任务的编辑器已不在运行。\n要结束这个编辑任务吗？"), QStringLiteral("Quor"),
                       MsgButtons::YesNo, MsgIcon::Question);
    if (answer == MsgResult::Yes)
        OnEditorNotify(EDITOR_CLOSED, slot);
}

void CMainFrame::noticeEditorsOfClose()
{
    if (!m_pMissions)
        return;
    m_pMissions->Read();
    for (int i = 1; i < MISSION_COUNT; ++i) {
        const EditMission mission = m_pMissions->GetSlot(i);
        if (mission.state != MISSION_FREE && mission.window != 0)
            PostWindowMessage(mission.window, WM_EDITOR_NOTIFY, EDITOR_CLOSE_REQUEST, 0);
    }
}

void CMainFrame::onOptions()
{
    COptionDlg dialog(*m_pProfile, this);
    if (dialog.exec() == QDialog::Accepted)
        OnCommand(ID_CATALOG_MODIFIED);
}
