#include "tolvanedlg.h"

#include "codepage.h"
#include "fileutil.h"
#include "messagebox.h"
#include "password.h"
#include "postform.h"
#include "postsubmit.h"
#include "profile.h"
#include "shell.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QTimer>

namespace {

const QString kCaption = QStringLiteral("Tolvane");
const char kAboutEntry[] = QT_TRANSLATE_NOOP("CTolvaneDlg", "关于 Tolvane(&A)...");

std::string bytes(const QString& text)
{
    return Utf8ToCp936(text.toStdString());
}

QString text(const std::string& cp936)
{
    return QString::fromStdString(Cp936ToUtf8(cp936));
}

// Places controls in dialog units: a quarter of the font's average character width across,
// an eighth of its height down.
class DialogUnits
{
public:
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        m_baseX = std::max(1, (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2);
        m_baseY = std::max(1, metrics.height());
    }
    QRect rect(int x, int y, int w, int h) const { return {x * m_baseX / 4, y * m_baseY / 8, w * m_baseX / 4, h * m_baseY / 8}; }
    QSize size(int w, int h) const { return {w * m_baseX / 4, h * m_baseY / 8}; }

private:
    int m_baseX = 1, m_baseY = 1;
};

} // namespace

CTolvaneDlg::CTolvaneDlg(const QStringList& arguments, QWidget* parent)
    : QDialog(parent), m_profile(std::make_unique<CProfile>("Dovratek", "Tolvane")),
      m_openLog([](const std::string& path) { OpenInShell(path); })
{
    buildControls();
    OnInitDialog(arguments);
}

CTolvaneDlg::~CTolvaneDlg() = default;

void CTolvaneDlg::buildControls()
{
    setWindowTitle(kCaption);
    QFont dialogFont(QStringLiteral("SimSun"), 9);
    dialogFont.setStyleHint(QFont::SansSerif);
    setFont(dialogFont);
    const DialogUnits du(font());
    setFixedSize(du.size(320, 294));

    const auto label = [&](const QString& caption, QRect where, QWidget* buddy = nullptr) {
        auto* l = new QLabel(caption, this);
        l->setGeometry(where);
        if (buddy)
            l->setBuddy(buddy);
        return l;
    };
    const auto edit = [&](const char* name, QRect where) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setGeometry(where);
        return e;
    };
    const auto button = [&](const QString& caption, const char* name, QRect where) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(where);
        b->setAutoDefault(false);
        return b;
    };

    m_editLoginUrl = edit("loginUrl", du.rect(7, 24, 306, 12));
    m_editUser = edit("user", du.rect(50, 43, 74, 12));
    m_editPass = edit("pass", du.rect(169, 43, 63, 12));
    m_editPass->setEchoMode(QLineEdit::Password);
    m_editPostUrl = edit("postUrl", du.rect(7, 75, 306, 12));
    m_editArticleFile = edit("articleFile", du.rect(7, 104, 276, 11));
    m_btnBrowse = button(QStringLiteral(".."), "browse", du.rect(287, 101, 26, 14));
    m_editTitle = edit("title", du.rect(7, 136, 306, 12));

    label(QStringLiteral("LoginURL:(*)"), du.rect(7, 7, 55, 11), m_editLoginUrl);
    label(QStringLiteral("User:(*)"), du.rect(7, 46, 35, 8), m_editUser);
    label(QStringLiteral("Pass:(*)"), du.rect(130, 46, 31, 8), m_editPass);
    label(QStringLiteral("PostURL:(*)"), du.rect(7, 61, 58, 10), m_editPostUrl);
    label(QStringLiteral("Article File:(*)"), du.rect(7, 92, 68, 12), m_editArticleFile);
    label(QStringLiteral("Title:(*)"), du.rect(7, 121, 59, 8), m_editTitle);

    const auto sunken = [&](const QString& caption, QRect where) {
        QLabel* l = label(caption, where);
        l->setAlignment(Qt::AlignCenter);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return l;
    };
    m_status = sunken(QStringLiteral("..."), du.rect(7, 155, 306, 12));
    sunken(QStringLiteral("Tolvane 1.0"), du.rect(7, 182, 306, 12));

    m_editCookie = new QPlainTextEdit(this);
    m_editCookie->setObjectName(QStringLiteral("cookie"));
    m_editCookie->setGeometry(du.rect(7, 227, 306, 31));
    m_editCookie->setReadOnly(true);
    m_editCookie->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    label(QStringLiteral("Cookie"), du.rect(7, 210, 50, 13), m_editCookie);

    m_btnSave = button(tr("保存"), "save", du.rect(153, 273, 50, 14));
    m_btnPost = button(QStringLiteral("POST"), "post", du.rect(207, 273, 50, 14));
    m_btnPost->setDefault(true);
    auto* close = button(tr("关闭"), "close", du.rect(261, 273, 50, 14));

    connect(m_btnBrowse, &QPushButton::clicked, this, &CTolvaneDlg::OnBrowse);
    connect(m_btnSave, &QPushButton::clicked, this, &CTolvaneDlg::OnSave);
    connect(m_btnPost, &QPushButton::clicked, this, &CTolvaneDlg::OnOK);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, &CTolvaneDlg::OnAbout);
}

void CTolvaneDlg::OnInitDialog(const QStringList& arguments)
{
    m_strLoginUrl = QString::fromStdString(m_profile->GetProfileString("CONFIG", "URLLOGIN"));
    m_strPostUrl = QString::fromStdString(m_profile->GetProfileString("CONFIG", "URLPOST"));
    m_strUser = QString::fromStdString(m_profile->GetProfileString("LOGIN", "USER"));
    m_strPass = text(DecodePassword(bytes(QString::fromStdString(m_profile->GetProfileString("LOGIN", "PASS")))));

    if (m_strLoginUrl.isEmpty())
        m_strLoginUrl = QString::fromLatin1(DEFAULT_LOGIN_URL);
    if (m_strPostUrl.isEmpty())
        m_strPostUrl = QString::fromLatin1(DEFAULT_POST_URL);
    if (bytes(m_strUser).size() >= 2)
        m_strPostUrl.replace(QStringLiteral("#USER#"), m_strUser);

    setWindowIcon(QIcon(QStringLiteral(":/tolvane/tolvane.svg")));

    if (arguments.size() >= 2) {
        m_strArticleFile = arguments.at(0);
        m_strTitle = arguments.at(1);
        m_bAutoPost = true;
    }
    UpdateData(false);
}

void CTolvaneDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_bAutoPost) {
        m_bAutoPost = false; // once
        QTimer::singleShot(0, this, &CTolvaneDlg::OnOK);
    }
}

void CTolvaneDlg::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(tr(kAboutEntry), this, &CTolvaneDlg::OnAbout);
    menu.exec(event->globalPos());
}

void CTolvaneDlg::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_strLoginUrl = m_editLoginUrl->text();
        m_strPostUrl = m_editPostUrl->text();
        m_strUser = m_editUser->text();
        m_strPass = m_editPass->text();
        m_strArticleFile = m_editArticleFile->text();
        m_strTitle = m_editTitle->text();
        return;
    }
    m_editLoginUrl->setText(m_strLoginUrl);
    m_editPostUrl->setText(m_strPostUrl);
    m_editUser->setText(m_strUser);
    m_editPass->setText(m_strPass);
    m_editArticleFile->setText(m_strArticleFile);
    m_editTitle->setText(m_strTitle);
    m_editCookie->setPlainText(text(m_strCookie));
}

QString CTolvaneDlg::StatusText() const
{
    return m_status->text();
}

void CTolvaneDlg::message(const QString& textToShow, bool information)
{
    ShowMessageBox(this, textToShow, kCaption, MsgButtons::Ok, information ? MsgIcon::Information : MsgIcon::None);
}

void CTolvaneDlg::OnBrowse()
{
    UpdateData(true);
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("html"));
    dialog.setNameFilters({QStringLiteral("HTML (*.html *.htm)"), QStringLiteral("TXT (*.txt)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_strArticleFile = dialog.selectedFiles().constFirst();
    UpdateData(false);
}

void CTolvaneDlg::OnSave()
{
    UpdateData(true);
    bool written = m_profile->WriteProfileString("CONFIG", "URLLOGIN", m_strLoginUrl.toStdString()) &&
                   m_profile->WriteProfileString("CONFIG", "URLPOST", m_strPostUrl.toStdString()) &&
                   m_profile->WriteProfileString("LOGIN", "USER", m_strUser.toStdString());
    const std::string password = bytes(m_strPass);
    if (!IsStorablePassword(password)) {
        message(QStringLiteral("The password was not saved: only letters, digits and \"_\" can be stored."), true);
    } else if (written) {
        written = m_profile->WriteProfileString("LOGIN", "PASS", Cp936ToUtf8(EncodePassword(password)));
    }
    if (!written)
        message(QStringLiteral("The settings were not saved: %1").arg(QString::fromStdString(m_profile->ErrorText())), true);
}

HttpOptions CTolvaneDlg::networkOptions()
{
    HttpOptions options;
    // Keep the window painted while the network is waited for; input waits until the end.
    options.onWait = [] { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    return options;
}

void CTolvaneDlg::OnLogin()
{
    UpdateData(true);
    std::string body = ReplaceAll(LOGIN_TEMPLATE, "#USER#", bytes(m_strUser));
    body = ReplaceAll(std::move(body), "#PASS#", bytes(m_strPass));
    if (!SubmitLogin(bytes(m_strLoginUrl), body, m_strCookie, LOGIN_MARKER, networkOptions()))
        message(QStringLiteral("LoginError"), true);
    UpdateData(false);
}

void CTolvaneDlg::OnOK()
{
    if (m_bPosting)
        return;
    UpdateData(true);
    if (m_strUser.isEmpty() || m_strPass.isEmpty() || m_strTitle.isEmpty()) {
        message(tr("参数不全"), false);
        return;
    }
    // While the network is waited for, clicks and keys are held back; they reach the buttons
    // once the post is over, and then find them disabled.
    m_bPosting = true;
    const QList<QPushButton*> buttons = {m_btnPost, m_btnSave, m_btnBrowse};
    for (QPushButton* b : buttons)
        b->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto done = qScopeGuard([this, buttons] {
        QApplication::restoreOverrideCursor();
        QApplication::processEvents();
        for (QPushButton* b : buttons)
            b->setEnabled(true);
        m_bPosting = false;
    });

    OnLogin();
    UpdateData(true);

    std::string article;
    if (!ReadFileBytes(QFile::encodeName(m_strArticleFile).toStdString(), article, nullptr, kMaxArticleBytes)) {
        message(QStringLiteral("OpenFileError"), true);
        return;
    }
    const std::string encodedText = UrlEncode(article);
    article.clear();
    std::string body = ReplaceAll(POST_TEMPLATE, "#TITLE#", UrlEncode(bytes(m_strTitle)));
    body = ReplaceAll(std::move(body), "#USER#", bytes(m_strUser));

    std::string response;
    const PostOutcome outcome =
        SubmitArticle(bytes(m_strPostUrl), body, m_strCookie, POST_MARKER, encodedText, response, networkOptions());
    if (outcome == PostOutcome::Posted) {
        m_status->setText(QStringLiteral("Post Succeed!"));
        return;
    }
    if (outcome == PostOutcome::Failed)
        writeLog(response);
    message(QStringLiteral("PostError"), true);
}

void CTolvaneDlg::writeLog(const std::string& response)
{
    const std::string folder = CurrentFolder();
    const std::string path = folder.empty() ? std::string("log.txt") : folder + "/log.txt";
    std::string error;
    if (!WriteFileAtomically(path, response, &error)) {
        message(QStringLiteral("The answer of the blog service could not be kept in log.txt: %1").arg(QString::fromStdString(error)), true);
        return;
    }
    if (m_openLog)
        m_openLog(path);
}

void CTolvaneDlg::OnAbout()
{
    ShowMessageBox(this, QStringLiteral("Tolvane 1.0\nPosts an article file to a blog service."),
                   tr("关于 Tolvane"), MsgButtons::Ok, MsgIcon::Information);
}
