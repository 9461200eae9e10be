#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace win {

enum class MsgKind { Warning, Error, Information, Confirmation };
enum class MsgButtons { Ok, YesNo };
// Cancel: the box was closed without a button (Escape, the window's close
// button). Callers treat it as "the other choice".
enum class MsgResult { Ok, Yes, No, Cancel };

// Every message box of the application goes through here.
//
// The title follows the kind ("Warnung", "Fehler", "Informationen",
// "Bestätigen"). The default button is OK where there is one; of Yes and No
// it is Yes unless the caller names No. Texts may use "\r\n" line breaks.
//
// `details`, when not empty, is more that the user may read: the box keeps its
// text and look, and gains a "Details" button that opens a scrolling text.
MsgResult MessageDlg(const QString& text, MsgKind kind, MsgButtons buttons,
                     MsgResult defaultButton = MsgResult::Yes, const QString& details = {});

// The same with a title of the caller's choosing instead of the kind's.
MsgResult MessageDlgTitled(const QString& title, const QString& text, MsgKind kind, MsgButtons buttons,
                           MsgResult defaultButton = MsgResult::Yes, const QString& details = {});

QString MessageTitle(MsgKind kind);

// --- Hooks for tests: answer boxes without showing them. -------------------

// Queues an answer; each box takes the oldest queued answer and is then not
// shown.
void setNextAnswer(MsgResult answer);
// Answers every box that finds the queue empty; std::nullopt shows them again.
void setAnswerAllWith(std::optional<MsgResult> answer);
// Drops queued answers and the answer-all setting.
void clearAnswers();
qsizetype pendingAnswers();

// Every box, shown or answered, is recorded. text is the caller's text, and
// defaultButton the one the box actually had.
struct ShownMessage
{
    QString title;
    QString text;
    MsgKind kind;
    MsgButtons buttons;
    MsgResult defaultButton;
    MsgResult answer;
    QString details;
};
const QList<ShownMessage>& shownMessages();
void clearShownMessages();

} // namespace win
