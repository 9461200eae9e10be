#include "fb/FbError.h"
#include "win/ErrorReport.h"
#include "win/MessageDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <functional>
#include <stdexcept>

using win::MsgButtons;
using win::MsgKind;
using win::MsgResult;

Q_DECLARE_METATYPE(win::MsgKind)
Q_DECLARE_METATYPE(win::MsgButtons)
Q_DECLARE_METATYPE(win::MsgResult)

namespace {

// What a real box looked like while it was open.
struct Observation
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList captions;
    QString defaultCaption;
    Qt::WindowModality modality = Qt::NonModal;
    Qt::TextFormat textFormat = Qt::AutoText;
    QString accessibleName;
    QString accessibleDescription;
    QPoint centreOffset;
};

// Waits for the next modal message box, notes what it shows and hands it to
// act. A box that act leaves open is closed, so a failing test cannot hang.
class BoxProbe
{
public:
    explicit BoxProbe(std::function<void(QMessageBox*)> act) : m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }

    int boxesSeen = 0;
    bool leftOpen = false;
    Observation seen;

private:
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        ++boxesSeen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (const QAbstractButton* b : box->buttons())
            seen.captions.append(b->text());
        seen.captions.sort();
        if (const QPushButton* d = box->defaultButton())
            seen.defaultCaption = d->text();
        seen.modality = box->windowModality();
        seen.textFormat = box->textFormat();
        seen.accessibleName = box->accessibleName();
        seen.accessibleDescription = box->accessibleDescription();
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        seen.centreOffset = box->frameGeometry().center() - available.center();

        if (m_act)
            m_act(box);
        if (box->isVisible()) {
            leftOpen = true;
            box->reject();
        }
    }

    std::function<void(QMessageBox*)> m_act;
    QTimer m_timer;
};

QAbstractButton* buttonCaptioned(QMessageBox* box, const QString& caption)
{
    for (QAbstractButton* b : box->buttons()) {
        if (b->text() == caption)
            return b;
    }
    return nullptr;
}

enum class Action { Enter, Escape, CloseWindow, ClickJa, ClickNein, ClickOk };

void perform(QMessageBox* box, Action action)
{
    switch (action) {
    case Action::Enter:
        QTest::keyClick(box, Qt::Key_Return);
        break;
    case Action::Escape:
        QTest::keyClick(box, Qt::Key_Escape);
        break;
    case Action::CloseWindow:
        box->close();
        break;
    case Action::ClickJa:
    case Action::ClickNein:
    case Action::ClickOk: {
        const QString caption = action == Action::ClickJa     ? QStringLiteral("&Ja")
                                : action == Action::ClickNein ? QStringLiteral("&Nein")
                                                              : QStringLiteral("OK");
        if (QAbstractButton* b = buttonCaptioned(box, caption))
            QTest::mouseClick(b, Qt::LeftButton);
        break;
    }
    }
}

class Throwing : public QObject
{
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Ereignis fehlgeschlagen");
        return QObject::event(e);
    }
};

} // namespace

Q_DECLARE_METATYPE(Action)

class TestMessageDlg : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        win::clearAnswers();
        win::clearShownMessages();
    }

    void realBoxShowsAndAnswers_data()
    {
        QTest::addColumn<MsgKind>("kind");
        QTest::addColumn<MsgButtons>("buttons");
        QTest::addColumn<MsgResult>("requestedDefault");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QString>("defaultCaption");
        QTest::addColumn<MsgResult>("result");

        const QStringList yesNo{QStringLiteral("&Ja"), QStringLiteral("&Nein")};
        const QStringList ok{QStringLiteral("OK")};
        const QString ja = QStringLiteral("&Ja");
        const QString nein = QStringLiteral("&Nein");
        const QString okCaption = QStringLiteral("OK");
        const QString confirm = QStringLiteral("Bestätigen");
        const int question = QMessageBox::Question;

        QTest::newRow("yes is the default")
            << MsgKind::Confirmation << MsgButtons::YesNo << MsgResult::Yes << Action::Enter << confirm
            << question << yesNo << ja << MsgResult::Yes;
        QTest::newRow("no named as default")
            << MsgKind::Confirmation << MsgButtons::YesNo << MsgResult::No << Action::Enter << confirm
            << question << yesNo << nein << MsgResult::No;
        QTest::newRow("ok asked of yes/no gives yes")
            << MsgKind::Warning << MsgButtons::YesNo << MsgResult::Ok << Action::Enter
            << QStringLiteral("Warnung") << int(QMessageBox::Warning) << yesNo << ja << MsgResult::Yes;
        QTest::newRow("click nein") << MsgKind::Confirmation << MsgButtons::YesNo << MsgResult::Yes
                                    << Action::ClickNein << confirm << question << yesNo << ja
                                    << MsgResult::No;
        QTest::newRow("click ja against default")
            << MsgKind::Confirmation << MsgButtons::YesNo << MsgResult::No << Action::ClickJa << confirm
            << question << yesNo << nein << MsgResult::Yes;
        QTest::newRow("escape is not no")
            << MsgKind::Confirmation << MsgButtons::YesNo << MsgResult::No << Action::Escape << confirm
            << question << yesNo << nein << MsgResult::Cancel;
        QTest::newRow("closing is not no")
            << MsgKind::Confirmation << MsgButtons::YesNo << MsgResult::Yes << Action::CloseWindow << confirm
            << question << yesNo << ja << MsgResult::Cancel;
        QTest::newRow("warning ok") << MsgKind::Warning << MsgButtons::Ok << MsgResult::Yes << Action::Enter
                                    << QStringLiteral("Warnung") << int(QMessageBox::Warning) << ok
                                    << okCaption << MsgResult::Ok;
        QTest::newRow("error click ok")
            << MsgKind::Error << MsgButtons::Ok << MsgResult::No << Action::ClickOk
            << QStringLiteral("Fehler") << int(QMessageBox::Critical) << ok << okCaption << MsgResult::Ok;
        QTest::newRow("escape is not ok")
            << MsgKind::Error << MsgButtons::Ok << MsgResult::Ok << Action::Escape << QStringLiteral("Fehler")
            << int(QMessageBox::Critical) << ok << okCaption << MsgResult::Cancel;
        QTest::newRow("closing is not ok")
            << MsgKind::Information << MsgButtons::Ok << MsgResult::Ok << Action::CloseWindow
            << QStringLiteral("Informationen") << int(QMessageBox::Information) << ok << okCaption
            << MsgResult::Cancel;
    }

    void realBoxShowsAndAnswers()
    {
        QFETCH(MsgKind, kind);
        QFETCH(MsgButtons, buttons);
        QFETCH(MsgResult, requestedDefault);
        QFETCH(Action, action);

        // Markup must show as typed; CR LF as a plain line break.
        const QString text = QStringLiteral("Sätze <b>ändern</b>?\r\nZweite Zeile");
        BoxProbe probe([action](QMessageBox* box) { perform(box, action); });
        const MsgResult result = win::MessageDlg(text, kind, buttons, requestedDefault);

        QCOMPARE(probe.boxesSeen, 1);
        QVERIFY(!probe.leftOpen);
        QTEST(probe.seen.title, "title");
        QTEST(int(probe.seen.icon), "icon");
        QTEST(probe.seen.captions, "captions");
        QTEST(probe.seen.defaultCaption, "defaultCaption");
        QCOMPARE(probe.seen.text, QStringLiteral("Sätze <b>ändern</b>?\nZweite Zeile"));
        QCOMPARE(probe.seen.textFormat, Qt::PlainText);
        QCOMPARE(probe.seen.modality, Qt::ApplicationModal);
        QCOMPARE(probe.seen.accessibleName, probe.seen.title);
        QCOMPARE(probe.seen.accessibleDescription, text);
        QTEST(result, "result");

        QCOMPARE(win::shownMessages().size(), 1);
        QCOMPARE(win::shownMessages().first().answer, result);
    }

    void boxIsCentredOnTheScreenNotOnTheWindow()
    {
        QWidget window;
        window.setGeometry(10, 10, 300, 200);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        BoxProbe probe([](QMessageBox* box) { perform(box, Action::Enter); });
        win::MessageDlg(QStringLiteral("Fertig"), MsgKind::Information, MsgButtons::Ok);

        QCOMPARE(probe.boxesSeen, 1);
        const QPoint offset = probe.seen.centreOffset;
        QVERIFY2(qAbs(offset.x()) <= 1 && qAbs(offset.y()) <= 1,
                 qPrintable(QStringLiteral("off centre by %1,%2").arg(offset.x()).arg(offset.y())));
    }

    void detailsOpenOnRequestAndLeaveTheBoxAsItWas()
    {
        auto detailsButton = [](QMessageBox* box) -> QPushButton* {
            for (QPushButton* b : box->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("Details"))
                    return b;
            return nullptr;
        };
        QString details;
        for (int i = 1; i <= 3000; ++i)
            details += QStringLiteral("Artikel %1: Mwst i. H. 7,00 % → 19,00 %\r\n").arg(i);
        const QString text = QStringLiteral("Beim Speichern ist ein Fehler aufgetreten!");
        {
            QString shownDetails;
            QString captionAfterOpening;
            bool hadButton = false;
            BoxProbe probe([&](QMessageBox* box) {
                QPushButton* more = detailsButton(box);
                hadButton = more != nullptr;
                if (!more)
                    return;
                QTest::mouseClick(more, Qt::LeftButton);
                if (auto* edit = box->findChild<QTextEdit*>(); edit && edit->isVisible())
                    shownDetails = edit->toPlainText();
                captionAfterOpening = more->text();
                perform(box, Action::ClickOk);
            });
            QCOMPARE(win::MessageDlg(text, MsgKind::Warning, MsgButtons::Ok, MsgResult::Ok, details),
                     MsgResult::Ok);
            QCOMPARE(probe.boxesSeen, 1);
            QVERIFY(hadButton);
            QCOMPARE(probe.seen.text, text);
            QCOMPARE(shownDetails.count(QLatin1Char('\n')), 3000);
            QVERIFY(shownDetails.startsWith(
                QStringLiteral("Artikel 1: Mwst i. H. 7,00 % → 19,00 %\nArtikel 2:")));
            QCOMPARE(captionAfterOpening, QStringLiteral("Details ausblenden"));
            QCOMPARE(win::shownMessages().last().details, details);
        }
        // Without details the box has no such button.
        bool plainHadButton = true;
        BoxProbe plain([&](QMessageBox* box) {
            plainHadButton = detailsButton(box) != nullptr;
            perform(box, Action::ClickOk);
        });
        win::MessageDlg(text, MsgKind::Warning, MsgButtons::Ok);
        QCOMPARE(plain.boxesSeen, 1);
        QVERIFY(!plainHadButton);
    }

    void queuedAnswersReplaceTheBox()
    {
        BoxProbe probe(nullptr);
        win::setNextAnswer(MsgResult::No);
        win::setNextAnswer(MsgResult::Yes);
        win::setAnswerAllWith(MsgResult::Cancel);

        const QString text = QStringLiteral("Zeile 1\r\nZeile 2");
        QCOMPARE(win::MessageDlg(text, MsgKind::Confirmation, MsgButtons::YesNo), MsgResult::No);
        QCOMPARE(win::MessageDlg(text, MsgKind::Confirmation, MsgButtons::YesNo, MsgResult::No),
                 MsgResult::Yes);
        QCOMPARE(win::pendingAnswers(), 0);
        QCOMPARE(win::MessageDlg(text, MsgKind::Information, MsgButtons::Ok), MsgResult::Cancel);
        QCoreApplication::processEvents();
        QCOMPARE(probe.boxesSeen, 0);

        const QList<win::ShownMessage>& shown = win::shownMessages();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0].title, QStringLiteral("Bestätigen"));
        QCOMPARE(shown[0].text, text);
        QCOMPARE(shown[0].defaultButton, MsgResult::Yes);
        QCOMPARE(shown[1].defaultButton, MsgResult::No);
        QCOMPARE(shown[2].title, QStringLiteral("Informationen"));
        QCOMPARE(shown[2].kind, MsgKind::Information);
        QCOMPARE(shown[2].buttons, MsgButtons::Ok);
        QCOMPARE(shown[2].defaultButton, MsgResult::Ok);
    }

    void exceptionMessageEndsInFullStop_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");

        QTest::newRow("letter") << QStringLiteral("Fehler") << QStringLiteral("Fehler.");
        QTest::newRow("digit") << QStringLiteral("Satz 19") << QStringLiteral("Satz 19.");
        QTest::newRow("umlaut") << QStringLiteral("Größe") << QStringLiteral("Größe.");
        QTest::newRow("slash sorts after") << QStringLiteral("C:/") << QStringLiteral("C:/.");
        QTest::newRow("colon sorts after") << QStringLiteral("Datei:") << QStringLiteral("Datei:.");
        QTest::newRow("question mark sorts after")
            << QStringLiteral("Wirklich?") << QStringLiteral("Wirklich?.");
        QTest::newRow("full stop") << QStringLiteral("Fehler.") << QStringLiteral("Fehler.");
        QTest::newRow("exclamation mark") << QStringLiteral("Fehler!") << QStringLiteral("Fehler!");
        QTest::newRow("parenthesis") << QStringLiteral("Fehler (42)") << QStringLiteral("Fehler (42)");
        QTest::newRow("hyphen") << QStringLiteral("Fehler -") << QStringLiteral("Fehler -");
        QTest::newRow("line break") << QStringLiteral("Fehler\r\n") << QStringLiteral("Fehler\r\n");
        QTest::newRow("empty") << QString() << QString();
    }

    void exceptionMessageEndsInFullStop()
    {
        QFETCH(QString, message);
        QTEST(win::ExceptionMessage(message), "shown");
    }

    void guardedReportsInsteadOfPropagating_data()
    {
        QTest::addColumn<int>("throws");
        QTest::addColumn<bool>("completed");
        QTest::addColumn<QString>("reported");

        QTest::newRow("std::exception, UTF-8") << 1 << false << QStringLiteral("Datei für Kasse 2 fehlt.");
        QTest::newRow("anything else") << 2 << false << QStringLiteral("Unbekannter Fehler.");
        QTest::newRow("nothing") << 0 << true << QString();
    }

    void guardedReportsInsteadOfPropagating()
    {
        QFETCH(int, throws);
        QFETCH(bool, completed);
        QFETCH(QString, reported);
        win::setAnswerAllWith(MsgResult::Ok);

        // The way every handler of the application is connected.
        QPushButton button;
        bool finished = false;
        auto handler = [&] {
            if (throws == 1)
                throw std::runtime_error("Datei für Kasse 2 fehlt");
            if (throws == 2)
                throw 42;
        };
        QObject::connect(&button, &QAbstractButton::clicked, &button,
                         [&] { finished = win::Guarded([&] { handler(); }); });
        button.click();

        QCOMPARE(finished, completed);
        if (reported.isEmpty()) {
            QVERIFY(win::shownMessages().isEmpty());
            return;
        }
        QCOMPARE(win::shownMessages().size(), 1);
        const win::ShownMessage& m = win::shownMessages().first();
        QCOMPARE(m.title, QStringLiteral("KOVANTELMwst"));
        QCOMPARE(m.text, reported);
        QCOMPARE(m.kind, MsgKind::Error);
        QCOMPARE(m.buttons, MsgButtons::Ok);
    }

    void applicationCatchesWhatHandlersLetEscape_data()
    {
        QTest::addColumn<bool>("posted");
        QTest::newRow("sent") << false;
        QTest::newRow("posted, through the event loop") << true;
    }

    void applicationCatchesWhatHandlersLetEscape()
    {
        QFETCH(bool, posted);
        QVERIFY(dynamic_cast<win::Application*>(QCoreApplication::instance()) != nullptr);
        win::setAnswerAllWith(MsgResult::Ok);

        Throwing receiver;
        if (posted) {
            QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
            QCoreApplication::sendPostedEvents(&receiver, QEvent::User);
        } else {
            QEvent event(QEvent::User);
            QVERIFY(!QCoreApplication::sendEvent(&receiver, &event));
        }

        QCOMPARE(win::shownMessages().size(), 1);
        QCOMPARE(win::shownMessages().first().title, QStringLiteral("KOVANTELMwst"));
        QCOMPARE(win::shownMessages().first().text, QStringLiteral("Ereignis fehlgeschlagen."));
    }

    void errorReportIsARealErrorBox()
    {
        BoxProbe probe([](QMessageBox* box) { perform(box, Action::Enter); });
        win::ShowException(std::runtime_error("Verbindung verloren"));

        QCOMPARE(probe.boxesSeen, 1);
        QCOMPARE(probe.seen.title, QStringLiteral("KOVANTELMwst"));
        QCOMPARE(probe.seen.text, QStringLiteral("Verbindung verloren."));
        QCOMPARE(probe.seen.icon, QMessageBox::Critical);
        QCOMPARE(probe.seen.captions, QStringList{QStringLiteral("OK")});
        QCOMPARE(win::shownMessages().first().answer, MsgResult::Ok);
    }

    // Told by the client's code, whatever its words: once the server is gone only a new start
    // helps, and the report says so in German before the client's own text.
    void errorReportTellsALostConnection()
    {
        win::setNextAnswer(MsgResult::Ok);
        const std::intptr_t netWriteError = 335544727;
        win::ShowException(fb::FbError(QStringLiteral("Error writing data to the connection."), {netWriteError}));
        win::setNextAnswer(MsgResult::Ok);
        win::ShowException(fb::FbError(QStringLiteral("Error writing data to the connection.")));
        QCOMPARE(win::shownMessages().size(), 2);
        QCOMPARE(win::shownMessages().at(0).text,
                 QStringLiteral("Die Verbindung zur Datenbank ist unterbrochen. Bitte beenden Sie das Programm und "
                                "starten Sie es neu.\n\nError writing data to the connection."));
        QCOMPARE(win::shownMessages().at(1).text, QStringLiteral("Error writing data to the connection."));
    }
};

int main(int argc, char** argv)
{
    // The captions must not depend on which translation Qt finds.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    win::Application app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestMessageDlg test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_message_dlg.moc"
