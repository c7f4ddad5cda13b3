#pragma once
// The docking bar at the main window's side that holds pages behind tabs.

#include <QDockWidget>

class QTabWidget;

class CDockPageBar final : public QDockWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDockPageBar)

public:
    explicit CDockPageBar(const QString& title, QWidget* parent = nullptr);

    // Adds a page with its tab title and icon.
    void AppendPage(QWidget* page, const QString& title, const QIcon& icon = {});
    QWidget* ActivePage() const;

private:
    QTabWidget* m_tabs;
};
