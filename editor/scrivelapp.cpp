#include "scrivelapp.h"

#include "editorwindow.h"
#include "messagebox.h"
#include "missiontable.h"
#include "windowmessage.h"
#include "windowmessagelistener.h"

#include <QApplication>

namespace {

// Long enough for another editor started at the same moment to have published its claim.
constexpr std::chrono::milliseconds kClaimSettle{150};

// Tests answer the program's questions ahead of time: "yes,no,cancel,ok".
void queueTestAnswers()
{
    for (const QString& answer : qEnvironmentVariable("SCRIVEL_TEST_ANSWERS").split(QLatin1Char(','), Qt::SkipEmptyParts))
        QueueMessageBoxAnswer(answer == QLatin1String("yes")      ? MsgResult::Yes
                              : answer == QLatin1String("no")     ? MsgResult::No
                              : answer == QLatin1String("cancel") ? MsgResult::Cancel
                                                                  : MsgResult::Ok);
}

} // namespace

CScrivelApp::CScrivelApp() = default;

CScrivelApp::~CScrivelApp() = default;

int CScrivelApp::refuse(const QString& text)
{
    qWarning("Scrivel: %s", qPrintable(text));
    ShowMessageBox(nullptr, text, QStringLiteral("Scrivel"), MsgButtons::Ok, MsgIcon::Warning);
    return 1;
}

int CScrivelApp::InitInstance(const QStringList& arguments)
{
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/scrivel/scrivel.svg")));
    queueTestAnswers();
    if (arguments.size() > 1)
        return refuse(QCoreApplication::translate("CScrivelApp", "Usage: Scrivel [FILE.html]\n\nWith no file, "
                                                                 "Scrivel edits the article the library hands it."));

    ArticleTarget target;
    if (arguments.size() == 1) {
        std::string error;
        target = FileTarget(arguments.front().toStdString(), error);
        if (!error.empty())
            return refuse(QCoreApplication::translate("CScrivelApp", "Scrivel cannot edit that file.\n\n%1")
                              .arg(QString::fromStdString(error)));
    } else {
        // The library may post as soon as it sees this window's handle in the table.
        m_listener = std::make_unique<CWindowMessageListener>();
        if (!m_listener->Listen(OwnWindowHandle()))
            return refuse(QCoreApplication::translate("CScrivelApp", "Scrivel cannot receive the library's messages.\n\n%1")
                              .arg(QString::fromStdString(m_listener->ErrorText())));
        const ClaimOutcome claim = ClaimMission(QUOR_SHARE_DATA, OwnWindowHandle(), kClaimSettle);
        if (!claim.target)
            return refuse(QString::fromStdString(claim.error));
        target = *claim.target;
    }

    m_window = std::make_unique<CEditorWindow>(target);
    std::string error;
    if (!m_window->Open(error)) {
        const int code = refuse(QCoreApplication::translate("CScrivelApp", "Scrivel cannot open the article.\n\n%1")
                                    .arg(QString::fromStdString(error)));
        // The mission goes back to the library, which can hand it out again.
        if (target.slot > 0)
            PostWindowMessage(target.libraryWindow, target.message ? target.message : WM_EDITOR_NOTIFY, EDITOR_CLOSED,
                              target.slot);
        return code;
    }
    if (m_listener)
        QObject::connect(m_listener.get(), &CWindowMessageListener::messagePosted, m_window.get(),
                         &CEditorWindow::OnWindowMessage);
    m_window->show();
    return QApplication::exec();
}
