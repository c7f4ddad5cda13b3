#pragma once
// The "Option" dialog: the data folder, the editor program (shown only) and the download
// file types. OK copies them into the settings and stores the file types.

#include <QDialog>
#include <QString>

class CProfile;
class QLineEdit;

class COptionDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(COptionDlg)

public:
    explicit COptionDlg(CProfile& profile, QWidget* parent = nullptr);

    // The fields as they were when the dialog opened (or after "默认设置").
    QString DataFolder() const { return m_strDataFolder; }
    QString Editor() const { return m_strEditor; }
    QString FileTypes() const { return m_strFileTypes; }

    // Why a value cannot be taken, or empty when all three fit their settings.
    static QString CheckValues(const QString& dataFolder, const QString& fileTypes);

    void accept() override;

private:
    void onDefaults();
    void showValues();
    void chooseFolder();

    CProfile& m_profile;
    QString m_strDataFolder;
    QString m_strEditor;
    QString m_strFileTypes;
    QLineEdit* m_dataFolder;
    QLineEdit* m_editor;
    QLineEdit* m_fileTypes;
};
