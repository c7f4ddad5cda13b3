#pragma once
// The "属性" dialog of a catalog item: title, source and date can be edited; the file and
// the attachments (of both attachment folders) are shown.

#include "catalog.h"

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QListWidget;

class CPropertiesDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPropertiesDlg)

public:
    CPropertiesDlg(const CatalogItemInfo& info, const std::string& articlePath, const std::string& attachDir,
                   QWidget* parent = nullptr);

    // The info with the edited title, source and date.
    CatalogItemInfo Info() const;

    // The entries of the "_files" folder and of its ".files" twin; archives and programs
    // (".zip", ".rar", ".exe" in the name) get three leading blanks so that they sort first.
    static std::vector<std::string> AttachmentEntries(const std::string& attachDir);
    // The ".files" twin of an attachment folder path.
    static std::string AlternativeAttachDir(const std::string& attachDir);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openAttachDirs();

    CatalogItemInfo m_info;
    std::string m_attachDir;
    QLineEdit* m_title;
    QLineEdit* m_source;
    QLineEdit* m_file;
    QLineEdit* m_date;
    QListWidget* m_attachments;
};
