#pragma once
// Message boxes, with a seam for tests: answers queued with QueueMessageBoxAnswer are taken
// in order instead of showing a box, and every text asked is recorded.

#include <QString>
#include <QStringList>

class QWidget;

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgResult { Ok, Cancel, Yes, No };

MsgResult ShowMessageBox(QWidget* parent, const QString& text, const QString& title,
                         MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None);

void QueueMessageBoxAnswer(MsgResult answer);
// Texts of the boxes answered from the queue, oldest first; cleared by the call.
QStringList TakeAnsweredMessageBoxes();
