#include "win/MessageDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTranslator>

namespace win {
namespace {

struct TestHooks
{
    QList<MsgResult> answers;
    std::optional<MsgResult> answerAll;
    QList<ShownMessage> shown;
};

TestHooks& hooks()
{
    static TestHooks instance;
    return instance;
}

QMessageBox::Icon iconOf(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Warning:
        return QMessageBox::Warning;
    case MsgKind::Error:
        return QMessageBox::Critical;
    case MsgKind::Information:
        return QMessageBox::Information;
    case MsgKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MsgResult effectiveDefault(MsgButtons buttons, MsgResult requested)
{
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    return requested == MsgResult::No ? MsgResult::No : MsgResult::Yes;
}

// QMessageBox lets Escape and the window's close button trigger its "escape
// button", and with Yes/No it picks No by itself, with OK alone it picks OK.
// Callers must be able to tell a deliberate answer from a dismissed box, so
// both ways out of the box leave it without a clicked button.
class Box : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->matches(QKeySequence::Cancel)) {
            reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void closeEvent(QCloseEvent* event) override { QDialog::closeEvent(event); }

    void showEvent(QShowEvent* event) override
    {
        // The box gets its final size only here; centring earlier would be
        // off by the text's extent.
        QMessageBox::showEvent(event);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            const QSize size = frameGeometry().size();
            move(available.topLeft() +
                 QPoint((available.width() - size.width()) / 2, (available.height() - size.height()) / 2));
        }
    }
};

// QMessageBox names its details button through the translation system; this
// gives it German captions whatever else is installed.
class DetailsCaptions : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QMessageBox") != 0)
            return {};
        if (qstrcmp(source, "Show Details...") == 0)
            return QStringLiteral("Details");
        if (qstrcmp(source, "Hide Details...") == 0)
            return QStringLiteral("Details ausblenden");
        return {};
    }
    bool isEmpty() const override { return false; }
};

void installDetailsCaptions()
{
    static DetailsCaptions* captions = nullptr;
    if (captions == nullptr && QCoreApplication::instance() != nullptr) {
        captions = new DetailsCaptions;
        QCoreApplication::installTranslator(captions);
    }
}

MsgResult showBox(const QString& title, const QString& text, MsgKind kind, MsgButtons buttons,
                  MsgResult defaultButton, const QString& details)
{
    installDetailsCaptions();
    // Owned by the active window so that the window manager stacks it above;
    // the guard covers that window going away while the box is open.
    QPointer<Box> box =
        new Box(iconOf(kind), title, QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                QMessageBox::NoButton, QApplication::activeWindow());
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    box->setAccessibleName(title);
    box->setAccessibleDescription(text);

    // Own captions: Qt's standard buttons would follow whatever translation
    // happens to be loaded.
    QPushButton* ok = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    if (buttons == MsgButtons::Ok) {
        ok = box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box->setDefaultButton(ok);
    } else {
        yes = box->addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
        no = box->addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
        box->setDefaultButton(defaultButton == MsgResult::No ? no : yes);
    }

    if (!details.isEmpty()) {
        box->setDetailedText(QString(details).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        // Thousands of lines stay readable: the text scrolls in a box of a fixed, wider size.
        if (auto* edit = box->findChild<QTextEdit*>()) {
            edit->setMinimumSize(640, 260);
            edit->setLineWrapMode(QTextEdit::WidgetWidth);
            edit->setAccessibleName(QStringLiteral("Details"));
        }
    }

    box->exec();
    if (box.isNull())
        return MsgResult::Cancel;

    const QAbstractButton* clicked = box->clickedButton();
    MsgResult result = MsgResult::Cancel;
    if (clicked != nullptr && clicked == ok)
        result = MsgResult::Ok;
    else if (clicked != nullptr && clicked == yes)
        result = MsgResult::Yes;
    else if (clicked != nullptr && clicked == no)
        result = MsgResult::No;
    delete box.data();
    return result;
}

} // namespace

QString MessageTitle(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Warning:
        return QStringLiteral("Warnung");
    case MsgKind::Error:
        return QStringLiteral("Fehler");
    case MsgKind::Information:
        return QStringLiteral("Informationen");
    case MsgKind::Confirmation:
        return QStringLiteral("Bestätigen");
    }
    return {};
}

MsgResult MessageDlg(const QString& text, MsgKind kind, MsgButtons buttons, MsgResult defaultButton,
                     const QString& details)
{
    return MessageDlgTitled(MessageTitle(kind), text, kind, buttons, defaultButton, details);
}

MsgResult MessageDlgTitled(const QString& title, const QString& text, MsgKind kind, MsgButtons buttons,
                           MsgResult defaultButton, const QString& details)
{
    const MsgResult effective = effectiveDefault(buttons, defaultButton);
    TestHooks& h = hooks();
    MsgResult answer;
    if (!h.answers.isEmpty())
        answer = h.answers.takeFirst();
    else if (h.answerAll)
        answer = *h.answerAll;
    else
        answer = showBox(title, text, kind, buttons, effective, details);
    h.shown.append(ShownMessage{title, text, kind, buttons, effective, answer, details});
    return answer;
}

void setNextAnswer(MsgResult answer)
{
    hooks().answers.append(answer);
}

void setAnswerAllWith(std::optional<MsgResult> answer)
{
    hooks().answerAll = answer;
}

void clearAnswers()
{
    hooks().answers.clear();
    hooks().answerAll.reset();
}

qsizetype pendingAnswers()
{
    return hooks().answers.size();
}

const QList<ShownMessage>& shownMessages()
{
    return hooks().shown;
}

void clearShownMessages()
{
    hooks().shown.clear();
}

} // namespace win
