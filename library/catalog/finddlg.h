#pragma once
// The "查找目录" dialog: a keyword, and whether to search the article texts too. The case
// and direction boxes show what a search does and cannot be changed: it ignores case and
// runs downwards.

#include <QDialog>

class QCheckBox;
class QLineEdit;

class CFindDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CFindDlg)

public:
    explicit CFindDlg(QWidget* parent = nullptr);

    void SetKeyword(const QString& keyword);
    QString Keyword() const;
    void SetFindInText(bool inText);
    bool FindInText() const;

private:
    QLineEdit* m_keyword;
    QCheckBox* m_inText;
};
