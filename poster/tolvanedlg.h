#pragma once
// The posting tool's one dialog: the service's two addresses, the account, the article file
// and its title. POST logs in, then posts the file; the outcome shows in the dialog.

#include "httpclient.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class CProfile;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CTolvaneDlg : public QDialog
{
    Q_OBJECT

public:
    // arguments: the command line after the program's name.
    explicit CTolvaneDlg(const QStringList& arguments, QWidget* parent = nullptr);
    ~CTolvaneDlg() override;

    void OnBrowse();
    void OnSave();
    void OnLogin();
    void OnOK();
    void OnAbout();

    // Reads the edit boxes into the fields (true) or shows the fields in them (false).
    void UpdateData(bool saveAndValidate);

    QString StatusText() const;
    const std::string& CookieText() const { return m_strCookie; }

    // How log.txt is opened (tests watch it instead).
    void SetLogOpener(std::function<void(const std::string& path)> open) { m_openLog = std::move(open); }

    static constexpr std::size_t kMaxArticleBytes = std::size_t(32) << 20;

protected:
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnInitDialog(const QStringList& arguments);
    void buildControls();
    HttpOptions networkOptions();
    void writeLog(const std::string& response);
    void message(const QString& text, bool information);

    QString m_strLoginUrl, m_strPostUrl, m_strUser, m_strPass, m_strArticleFile, m_strTitle;
    std::string m_strCookie; // bytes as the service sent them
    bool m_bAutoPost = false;
    bool m_bPosting = false;

    QLineEdit* m_editLoginUrl = nullptr;
    QLineEdit* m_editUser = nullptr;
    QLineEdit* m_editPass = nullptr;
    QLineEdit* m_editPostUrl = nullptr;
    QLineEdit* m_editArticleFile = nullptr;
    QLineEdit* m_editTitle = nullptr;
    QPlainTextEdit* m_editCookie = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_btnPost = nullptr;
    QPushButton* m_btnSave = nullptr;
    QPushButton* m_btnBrowse = nullptr;

    std::unique_ptr<CProfile> m_profile;
    std::function<void(const std::string&)> m_openLog;
};
