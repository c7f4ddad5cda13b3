#include "propertiesdlg.h"

#include "fileutil.h"
#include "shell.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include <dirent.h>

namespace {

void listFolder(const std::string& folder, std::vector<std::string>& entries)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back(name);
    }
    ::closedir(dir);
}

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

std::string CPropertiesDlg::AlternativeAttachDir(const std::string& attachDir)
{
    std::string twin = attachDir;
    const auto at = twin.rfind("_files");
    if (at != std::string::npos)
        twin.replace(at, 6, ".files");
    return twin;
}

std::vector<std::string> CPropertiesDlg::AttachmentEntries(const std::string& attachDir)
{
    std::vector<std::string> entries;
    if (attachDir.empty())
        return entries;
    listFolder(attachDir, entries);
    const std::string twin = AlternativeAttachDir(attachDir);
    if (twin != attachDir)
        listFolder(twin, entries);
    for (std::string& entry : entries) {
        const bool packed = entry.find(".zip") != std::string::npos || entry.find(".rar") != std::string::npos ||
                            entry.find(".exe") != std::string::npos;
        if (packed && entry.front() != ' ')
            entry.insert(0, "   ");
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

CPropertiesDlg::CPropertiesDlg(const CatalogItemInfo& info, const std::string& articlePath,
                               const std::string& attachDir, QWidget* parent)
    : QDialog(parent), m_info(info), m_attachDir(attachDir), m_title(new QLineEdit(q(info.title), this)),
      m_source(new QLineEdit(q(info.source), this)), m_file(new QLineEdit(q(articlePath), this)),
      m_date(new QLineEdit(q(info.date), this)), m_attachments(new QListWidget(this))
{
    setWindowTitle(tr("属性"));
    resize(520, 420);
    m_file->setReadOnly(true);
    auto* form = new QFormLayout;
    form->addRow(tr("Title:"), m_title);
    form->addRow(tr("Source:"), m_source);
    form->addRow(tr("File:"), m_file);
    form->addRow(tr("Date:"), m_date);
    form->addRow(new QLabel(tr("Attatch:"), this));
    for (const std::string& entry : AttachmentEntries(attachDir))
        m_attachments->addItem(q(entry));
    m_attachments->setSortingEnabled(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* attach = buttons->addButton(tr("Attach Dir"), QDialogButtonBox::ActionRole);
    connect(attach, &QPushButton::clicked, this, &CPropertiesDlg::openAttachDirs);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_attachments, 1);
    layout->addWidget(buttons);
}

CatalogItemInfo CPropertiesDlg::Info() const
{
    CatalogItemInfo info = m_info;
    info.title = m_title->text().toStdString();
    info.source = m_source->text().toStdString();
    info.date = m_date->text().toStdString();
    return info;
}

void CPropertiesDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_file->setFocus();
}

void CPropertiesDlg::openAttachDirs()
{
    for (const std::string& folder : {AlternativeAttachDir(m_attachDir), m_attachDir})
        if (!folder.empty() && PathExists(folder))
            OpenInShell(folder);
}
