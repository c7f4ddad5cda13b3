#include "messagebox.h"

#include <QMessageBox>

#include <deque>

namespace {

std::deque<MsgResult>& queuedAnswers()
{
    static std::deque<MsgResult> answers;
    return answers;
}

QStringList& answeredTexts()
{
    static QStringList texts;
    return texts;
}

QMessageBox::StandardButtons standardButtons(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon standardIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MsgResult ShowMessageBox(QWidget* parent, const QString& text, const QString& title,
                         MsgButtons buttons, MsgIcon icon)
{
    if (!queuedAnswers().empty()) {
        const MsgResult answer = queuedAnswers().front();
        queuedAnswers().pop_front();
        answeredTexts() << text;
        return answer;
    }
    QMessageBox box(standardIcon(icon), title, text, standardButtons(buttons), parent);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgResult::Ok;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
    }
}

void QueueMessageBoxAnswer(MsgResult answer)
{
    queuedAnswers().push_back(answer);
}

QStringList TakeAnsweredMessageBoxes()
{
    QStringList texts;
    texts.swap(answeredTexts());
    return texts;
}
