#include "dockpagebar.h"

#include <QTabWidget>

CDockPageBar::CDockPageBar(const QString& title, QWidget* parent)
    : QDockWidget(title, parent), m_tabs(new QTabWidget(this))
{
    setObjectName(QStringLiteral("DockPageBar"));
    m_tabs->setTabPosition(QTabWidget::South);
    m_tabs->setDocumentMode(true);
    setWidget(m_tabs);
}

void CDockPageBar::AppendPage(QWidget* page, const QString& title, const QIcon& icon)
{
    m_tabs->setCurrentIndex(m_tabs->addTab(page, icon, title));
}

QWidget* CDockPageBar::ActivePage() const
{
    return m_tabs->currentWidget();
}
