#include "editorwindowsdlg.h"

#include "missiontable.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

enum Role { WindowRole = Qt::UserRole, SlotRole };

} // namespace

CEditorWindowsDlg::CEditorWindowsDlg(CMissionTable& table, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Windows"));
    m_list->setObjectName(QStringLiteral("editorWindows"));
    auto* group = new QGroupBox(QStringLiteral("EditorWindows:"), this);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_list);

    table.Read();
    for (int i = 1; i < MISSION_COUNT; ++i) {
        const EditMission mission = table.GetSlot(i);
        if (mission.state == MISSION_FREE)
            continue;
        auto* entry = new QListWidgetItem(QString::fromStdString(mission.title + ": " + mission.file), m_list);
        entry->setData(WindowRole, mission.window);
        entry->setData(SlotRole, i);
    }
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    resize(420, 260);
}

void CEditorWindowsDlg::accept()
{
    if (const QListWidgetItem* chosen = m_list->currentItem(); chosen && chosen->isSelected()) {
        m_window = chosen->data(WindowRole).toUInt();
        m_slot = chosen->data(SlotRole).toInt();
    }
    QDialog::accept();
}
