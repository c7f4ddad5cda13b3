#include "finddlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CFindDlg::CFindDlg(QWidget* parent) : QDialog(parent), m_keyword(new QLineEdit(this)), m_inText(new QCheckBox(tr("查找正文"), this))
{
    setWindowTitle(tr("查找目录"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(tr("关键字："), this), 0, 0);
    layout->addWidget(m_keyword, 0, 1, 1, 2);

    auto* matchCase = new QCheckBox(tr("区分大小写"), this);
    matchCase->setObjectName(QStringLiteral("matchCase"));
    matchCase->setChecked(false); // the search ignores case
    matchCase->setEnabled(false);
    layout->addWidget(matchCase, 1, 0, 1, 2);

    auto* direction = new QGroupBox(tr("方向"), this);
    auto* directionLayout = new QVBoxLayout(direction);
    auto* up = new QRadioButton(tr("向上"), direction);
    auto* down = new QRadioButton(tr("向下"), direction);
    down->setChecked(true);
    up->setEnabled(false);
    down->setEnabled(false);
    directionLayout->addWidget(up);
    directionLayout->addWidget(down);
    layout->addWidget(direction, 1, 2, 2, 1);
    layout->addWidget(m_inText, 2, 0, 1, 2);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("查找"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 3, 0, 1, 3);
}

void CFindDlg::SetKeyword(const QString& keyword)
{
    m_keyword->setText(keyword);
    m_keyword->selectAll();
}

QString CFindDlg::Keyword() const
{
    return m_keyword->text();
}

void CFindDlg::SetFindInText(bool inText)
{
    m_inText->setChecked(inText);
}

bool CFindDlg::FindInText() const
{
    return m_inText->isChecked();
}
