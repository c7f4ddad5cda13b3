#pragma once
// The "Windows" dialog: the running editing missions, in slot order. OK names the editor
// window of the chosen one.

#include <QDialog>

#include <cstdint>

class CMissionTable;
class QListWidget;

class CEditorWindowsDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CEditorWindowsDlg)

public:
    // Refreshes the table and lists every busy slot as "title: file".
    explicit CEditorWindowsDlg(CMissionTable& table, QWidget* parent = nullptr);

    // After OK: the chosen entry's editor window and slot; 0 and 0 with no selection.
    std::uint32_t SelectedWindow() const { return m_window; }
    int SelectedSlot() const { return m_slot; }

    void accept() override;

private:
    QListWidget* m_list;
    std::uint32_t m_window = 0;
    int m_slot = 0;
};
