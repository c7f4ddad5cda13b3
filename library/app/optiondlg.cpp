#include "optiondlg.h"

#include "appglobals.h"
#include "appsettings.h"
#include "codepage.h"
#include "messagebox.h"
#include "profile.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

COptionDlg::COptionDlg(CProfile& profile, QWidget* parent)
    : QDialog(parent), m_profile(profile), m_dataFolder(new QLineEdit(this)), m_editor(new QLineEdit(this)),
      m_fileTypes(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("Option"));
    m_dataFolder->setObjectName(QStringLiteral("dataFolder"));
    m_editor->setObjectName(QStringLiteral("editor"));
    m_fileTypes->setObjectName(QStringLiteral("fileTypes"));
    m_editor->setReadOnly(true);

    auto* group = new QGroupBox(tr("设置："), this);
    auto* grid = new QGridLayout(group);
    auto* browse = new QPushButton(tr("浏览..."), group);
    browse->setObjectName(QStringLiteral("browse"));
    grid->addWidget(new QLabel(tr("资料保存目录："), group), 0, 0);
    grid->addWidget(m_dataFolder, 0, 1);
    grid->addWidget(browse, 0, 2);
    grid->addWidget(new QLabel(tr("编辑器："), group), 1, 0);
    grid->addWidget(m_editor, 1, 1, 1, 2);
    grid->addWidget(new QLabel(tr("下载文件类型："), group), 2, 0);
    grid->addWidget(m_fileTypes, 2, 1, 1, 2);
    m_dataFolder->setMinimumWidth(320);

    auto* buttons = new QDialogButtonBox(this);
    auto* defaults = buttons->addButton(tr("默认设置"), QDialogButtonBox::ResetRole);
    defaults->setObjectName(QStringLiteral("defaults"));
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(defaults, &QPushButton::clicked, this, &COptionDlg::onDefaults);
    connect(browse, &QPushButton::clicked, this, &COptionDlg::chooseFolder);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);

    m_strDataFolder = QString::fromStdString(g_szDataFolder);
    m_strEditor = QString::fromStdString(g_szEditor);
    const std::string stored = FileTypesFromStored(
        m_profile.GetProfileString(PROFILE_FILE_TYPES.section, PROFILE_FILE_TYPES.entry));
    m_strFileTypes = QString::fromStdString(stored.size() < 2 ? g_szFileTypes.str() : stored);
    showValues();
}

void COptionDlg::showValues()
{
    m_dataFolder->setText(m_strDataFolder);
    m_editor->setText(m_strEditor);
    m_fileTypes->setText(m_strFileTypes);
}

void COptionDlg::onDefaults()
{
    // Every field is shown again from the values the dialog opened with: a data folder
    // typed but not confirmed goes back too.
    m_strFileTypes = QString::fromLatin1(DEFAULT_FILE_TYPES);
    showValues();
}

void COptionDlg::chooseFolder()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("资料保存目录"), m_dataFolder->text());
    if (!chosen.isEmpty())
        m_dataFolder->setText(chosen);
}

QString COptionDlg::CheckValues(const QString& dataFolder, const QString& fileTypes)
{
    const std::string folder = dataFolder.toStdString();
    if (Cp936Length(folder) > decltype(g_szDataFolder)::kMaxBytes)
        return tr("资料保存目录太长：最多 %1 字节（汉字每字 2 字节）。").arg(decltype(g_szDataFolder)::kMaxBytes);
    if (folder.empty() || folder.front() != '/')
        return tr("资料保存目录必须是以 / 开头的完整路径。");
    if (Cp936Length(fileTypes.toStdString()) > decltype(g_szFileTypes)::kMaxBytes)
        return tr("下载文件类型太长：最多 %1 字节。").arg(decltype(g_szFileTypes)::kMaxBytes);
    return {};
}

void COptionDlg::accept()
{
    const QString folder = m_dataFolder->text();
    const QString types = m_fileTypes->text();
    if (const QString problem = CheckValues(folder, types); !problem.isEmpty()) {
        ShowMessageBox(this, problem, QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    m_strDataFolder = folder;
    m_strFileTypes = types;
    SetDataFolder(folder.toStdString());
    if (!SaveFileTypes(m_profile, types.toStdString()))
        ShowMessageBox(this,
                       tr("下载文件类型已生效，但无法保存到设置文件，下次启动时不再有效：\n%1")
                           .arg(QString::fromStdString(m_profile.ErrorText())),
                       QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Warning);
    QDialog::accept();
}
