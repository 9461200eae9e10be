#include "AppHarness.h"
#include "fb/FbDatabase.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"
#include "widgets/NumericKeyboard.h"
#include "widgets/PageControl.h"
#include "widgets/RateEdit.h"
#include "win/ErrorReport.h"
#include "win/MessageDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

using namespace testsupport;
using win::MsgResult;

namespace {

const QString SaveQuestion = QStringLiteral("Sollen die Änderungen gespeichert werden?");
const QString DateQuestion =
    QStringLiteral("ACHTUNG: Das Datum liegt vor dem 01.01.2024\r\n\r\nDie Änderungen werden "
                   "SOFORT wirksam.\r\nSollen sie trotzdem gespeichert werden?");
const QString SaveFailed = QStringLiteral("Beim Speichern ist ein Fehler aufgetreten!");

QString storedRate(HostDb& host, int slot)
{
    return host.scalar(QStringLiteral("select numwert from einstellungen where schluessel = :k"),
                       {{QStringLiteral("k"), QStringLiteral("MwstSatz%1").arg(slot)}});
}

void pressKey(app::TMainFrm* frm, const QString& name)
{
    auto* key = frm->keybNumeric->findChild<QAbstractButton*>(name);
    QVERIFY2(key, qPrintable(name));
    QTest::mouseClick(key, Qt::LeftButton);
}

void typeInto(widgets::TRateEdit* edit, const QString& text)
{
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void clickTab(app::TMainFrm* frm, int index)
{
    QTabBar* bar = frm->pgcVatRates->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

// The usual host: slot 1 at 7 % with two accounts that follow it.
std::unique_ptr<AppHarness> openReady(const QString& server = QStringLiteral("main"))
{
    auto h = std::make_unique<AppHarness>(ProtocolForm::V8, server);
    h->host().fillStandard();
    h->host().addKonto(1, QStringLiteral("Wareneinkauf 7 %"), 7);
    h->host().addKonto(2, QStringLiteral("Blumen & Deko"), 7);
    h->host().addKonto(3, QStringLiteral("Bürobedarf"), 19);
    h->writeIni();
    if (server != QLatin1String("main"))
        win::setNextAnswer(MsgResult::Ok); // the date warning
    h->start();
    if (!h->waitForOpen() || h->window()->FEditMode != 1)
        return nullptr;
    win::clearShownMessages();
    return h;
}

} // namespace

class TestGeneralPage : public QObject
{
    Q_OBJECT
private slots:
    void layoutAndKeypad();
    void keypadTypesIntoFocusedEdit();
    void savingWritesRateAccountsAndProtocol();
    void decliningWritesNothing_data();
    void decliningWritesNothing();
    void failedSaveKeepsValuesAndPage();
    void missingSlotAndEmptiedEdit();
    void reenteringPageReloadsStoredValues();
    void savedRateIsTheShownRate_data();
    void savedRateIsTheShownRate();
    void tabWalksRoundTheRateEditsOnly();
    void destroyingWindowWithFocusedEditRunsNoHandler();
    void questionDetailsListWhatWillBeWritten();
};

void TestGeneralPage::layoutAndKeypad()
{
    auto h = openReady();
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    QCOMPARE(frm->lblHinweis->geometry(), QRect(11, 10, 545, 301));
    QCOMPARE(frm->grpVatRates->geometry(), QRect(600, 10, 240, 205));
    QCOMPARE(frm->grpVatRates->title(), QStringLiteral("Mwst Sätze"));
    const int tops[5] = {25, 61, 97, 133, 170};
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(frm->lblVatRate[n]->geometry(), QRect(15, tops[n], 100, 26));
        QCOMPARE(frm->edtVatRate[n]->geometry(), QRect(125, tops[n], 100, 26));
        QCOMPARE(frm->findChild<widgets::TRateEdit*>(QStringLiteral("edtVatRate%1").arg(n)),
                 frm->edtVatRate[n]);
    }
    QCOMPARE(frm->keybNumeric->geometry(), QRect(860, 15, 160, 200));
    QCOMPARE(frm->btnSetGeneralVatRates->geometry(), QRect(865, 245, 110, 41));
    QCOMPARE(frm->btnSetGeneralVatRates->text(), QStringLiteral("Ändern"));
    QVERIFY(!frm->btnSetGeneralVatRates->isEnabled());
    QCOMPARE(frm->edtVatRate[0]->text(), QStringLiteral("19,00 %"));
    QCOMPARE(frm->edtVatRate[3]->text(), QStringLiteral("10,70 %"));
}

void TestGeneralPage::keypadTypesIntoFocusedEdit()
{
    auto h = openReady();
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    QTest::mouseClick(frm->edtVatRate[1], Qt::LeftButton);
    QTRY_VERIFY(frm->edtVatRate[1]->hasFocus());
    pressKey(frm, QStringLiteral("key7"));
    pressKey(frm, QStringLiteral("keyDecimal"));
    pressKey(frm, QStringLiteral("key5"));
    QCOMPARE(frm->edtVatRate[1]->Value(), 7.5);
    QVERIFY(frm->edtVatRate[1]->text().startsWith(QStringLiteral("7,5")));
    QVERIFY(frm->actSetGeneralVatRates->isEnabled());
    pressKey(frm, QStringLiteral("keyTab"));
    QTRY_VERIFY(frm->edtVatRate[2]->hasFocus());
}

void TestGeneralPage::savingWritesRateAccountsAndProtocol()
{
    auto h = openReady();
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    typeInto(frm->edtVatRate[1], QStringLiteral("5"));
    QVERIFY(frm->btnSetGeneralVatRates->isEnabled());

    win::setNextAnswer(MsgResult::Yes);
    QTest::mouseClick(frm->btnSetGeneralVatRates, Qt::LeftButton);

    QCOMPARE(win::shownMessages().size(), 1);
    QCOMPARE(win::shownMessages().first().text, SaveQuestion);
    QCOMPARE(win::shownMessages().first().defaultButton, MsgResult::Yes);
    QCOMPARE(storedRate(h->host(), 1), QStringLiteral("5"));
    const auto followed = h->host().rows(
        QStringLiteral("select kontonr from kassenbuchkonten where steuersatz = 5 order by kontonr"));
    QCOMPARE(followed, (std::vector<QStringList>{{QStringLiteral("1")}, {QStringLiteral("2")}}));
    QCOMPARE(h->host().scalar(QStringLiteral("select vorgang from vorgangsprotokoll")),
             QStringLiteral("Änderung Mwst Sätze\r\nÄnderung Mwst Satz 1:     7,00 %--->     5,00 %"));
    QCOMPARE(h->host().scalar(QStringLiteral("select kategorie from vorgangsprotokoll")),
             QStringLiteral("6"));
    QVERIFY(!frm->actSetGeneralVatRates->isEnabled());
    QCOMPARE(frm->edtVatRate[1]->text(), QStringLiteral("5,00 %"));
}

void TestGeneralPage::decliningWritesNothing_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QList<MsgResult>>("answers");
    QTest::addColumn<int>("questions");

    QTest::newRow("no") << "main" << QList<MsgResult>{MsgResult::No} << 1;
    QTest::newRow("box closed") << "main" << QList<MsgResult>{MsgResult::Cancel} << 1;
    QTest::newRow("date warning: yes, then no")
        << "d20231231" << QList<MsgResult>{MsgResult::Yes, MsgResult::No} << 2;
    QTest::newRow("date warning: yes, then closed")
        << "d20231231" << QList<MsgResult>{MsgResult::Yes, MsgResult::Cancel} << 2;
}

void TestGeneralPage::decliningWritesNothing()
{
    QFETCH(QString, server);
    QFETCH(QList<MsgResult>, answers);
    QFETCH(int, questions);

    auto h = openReady(server);
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    typeInto(frm->edtVatRate[1], QStringLiteral("5"));
    for (MsgResult a : answers)
        win::setNextAnswer(a);
    QVERIFY(frm->SaveGeneralChanges());
    QCOMPARE(win::shownMessages().size(), questions);
    if (questions == 2) {
        QCOMPARE(win::shownMessages().at(1).text, DateQuestion);
        QCOMPARE(win::shownMessages().at(1).kind, win::MsgKind::Warning);
        QCOMPARE(win::shownMessages().at(1).defaultButton, MsgResult::No);
    }
    QCOMPARE(storedRate(h->host(), 1), QStringLiteral("7"));
    QCOMPARE(h->host().protocolCount(), 0);
    QVERIFY(frm->actSetGeneralVatRates->isEnabled());
    QCOMPARE(frm->edtVatRate[1]->Value(), 5.0);
}

void TestGeneralPage::failedSaveKeepsValuesAndPage()
{
    auto h = openReady();
    QVERIFY(h);
    app::TMainFrm* frm = h->window();

    // Another connection holds the settings row of slot 1.
    fb::FbDatabase other;
    other.DBName = h->host().connectionString();
    other.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove")};
    other.Open();
    fb::FbTransaction otherTr(&other);
    fb::FbQuery hold(&other, &otherTr,
                     QStringLiteral("update einstellungen set varwert = 'x' where schluessel = 'MwstSatz1'"));
    otherTr.StartTransaction();
    hold.ExecQuery();

    typeInto(frm->edtVatRate[1], QStringLiteral("5"));
    win::setNextAnswer(MsgResult::Yes);
    win::setNextAnswer(MsgResult::Ok);
    QVERIFY(!frm->SaveGeneralChanges());
    QCOMPARE(win::shownMessages().size(), 2);
    QCOMPARE(win::shownMessages().at(1).text, SaveFailed);
    QCOMPARE(win::shownMessages().at(1).kind, win::MsgKind::Warning);
    // The details say what happened, in German, then in the client's words.
    const QString why = win::shownMessages().at(1).details;
    QVERIFY2(
        why.startsWith(QStringLiteral("Ein anderes Programm oder eine andere Kasse ändert gerade dieselben "
                                      "Daten.")),
        qPrintable(why));
    QVERIFY2(why.contains(QLatin1Char('(')), qPrintable(why));
    QVERIFY(frm->actSetGeneralVatRates->isEnabled());
    QCOMPARE(frm->edtVatRate[1]->Value(), 5.0);

    // Leaving the page saves first; when that fails the page stays.
    win::setNextAnswer(MsgResult::Yes);
    win::setNextAnswer(MsgResult::Ok);
    clickTab(frm, 1);
    QCOMPARE(frm->pgcVatRates->currentIndex(), 0);
    QCOMPARE(win::shownMessages().size(), 4);
    QCOMPARE(frm->edtVatRate[1]->Value(), 5.0);

    otherTr.Rollback();
    other.Close();
    QCOMPARE(storedRate(h->host(), 1), QStringLiteral("7"));
    QCOMPARE(h->host().protocolCount(), 0);

    // Once the row is free, pressing "Ändern" again saves.
    win::setNextAnswer(MsgResult::Yes);
    QVERIFY(frm->SaveGeneralChanges());
    QCOMPARE(storedRate(h->host(), 1), QStringLiteral("5"));
}

void TestGeneralPage::missingSlotAndEmptiedEdit()
{
    AppHarness h;
    h.host().fillStandard();
    h.host().exec(QStringLiteral("delete from einstellungen where schluessel = 'MwstSatz4'"));
    h.writeIni();
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    QVERIFY(!frm->edtVatRate[4]->isEnabled());
    QCOMPARE(frm->edtVatRate[4]->Value(), 0.0);
    QCOMPARE(frm->edtVatRate[4]->text(), QStringLiteral("0,00 %"));

    QTest::mouseClick(frm->edtVatRate[3], Qt::LeftButton);
    frm->edtVatRate[3]->selectAll();
    QTest::keyClick(frm->edtVatRate[3], Qt::Key_Backspace);
    QCOMPARE(frm->edtVatRate[3]->Value(), 0.0);
    win::setNextAnswer(MsgResult::Yes);
    QVERIFY(frm->SaveGeneralChanges());
    QCOMPARE(storedRate(h.host(), 3), QStringLiteral("0"));
    QCOMPARE(
        h.host().scalar(QStringLiteral("select count(*) from einstellungen where schluessel = 'MwstSatz4'")),
        QStringLiteral("0"));
}

void TestGeneralPage::reenteringPageReloadsStoredValues()
{
    auto h = openReady();
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    typeInto(frm->edtVatRate[0], QStringLiteral("21"));
    win::setNextAnswer(MsgResult::No); // leave without saving
    clickTab(frm, 1);
    QCOMPARE(frm->pgcVatRates->currentIndex(), 1);
    QVERIFY(frm->actSetGeneralVatRates->isEnabled());
    h->host().setRate(2, 3.5); // changed by somebody else meanwhile
    clickTab(frm, 0);
    QCOMPARE(frm->pgcVatRates->currentIndex(), 0);
    QCOMPARE(frm->edtVatRate[0]->text(), QStringLiteral("19,00 %"));
    QCOMPARE(frm->edtVatRate[2]->text(), QStringLiteral("3,50 %"));
    QVERIFY(!frm->actSetGeneralVatRates->isEnabled());
    QCOMPARE(storedRate(h->host(), 0), QStringLiteral("19"));
}

void TestGeneralPage::savedRateIsTheShownRate_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("tabFirst");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");

    // A third decimal cannot be entered, so "7,125" from the user is 7,12.
    QTest::newRow("typed, mouse on Ändern") << "keys" << false << "7.12"
                                            << "7,12";
    QTest::newRow("typed, Tab first") << "keys" << true << "7.12"
                                      << "7,12";
    QTest::newRow("keypad, mouse on Ändern") << "keypad" << false << "7.12"
                                             << "7,12";
    QTest::newRow("pasted, mouse on Ändern") << "paste" << false << "7.12"
                                             << "7,12";
    // Text set from code is not filtered; what it shows is what is saved.
    QTest::newRow("set from code, mouse on Ändern") << "code" << false << "7.13"
                                                    << "7,13";
    QTest::newRow("set from code, Tab first") << "code" << true << "7.13"
                                              << "7,13";
}

void TestGeneralPage::savedRateIsTheShownRate()
{
    QFETCH(QString, entry);
    QFETCH(bool, tabFirst);
    QFETCH(QString, stored);
    QFETCH(QString, shown);

    auto h = openReady();
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    widgets::TRateEdit* edit = frm->edtVatRate[1];
    QTest::mouseClick(edit, Qt::LeftButton);
    QTRY_VERIFY(edit->hasFocus());
    if (entry == QLatin1String("keys")) {
        QTest::keyClicks(edit, QStringLiteral("7,125"));
    } else if (entry == QLatin1String("keypad")) {
        for (const char* key : {"key7", "keyDecimal", "key1", "key2", "key5"})
            pressKey(frm, QLatin1String(key));
    } else if (entry == QLatin1String("paste")) {
        QGuiApplication::clipboard()->setText(QStringLiteral("7,125"));
        QTest::keySequence(edit, QKeySequence::Paste);
        QCOMPARE(edit->text(), QStringLiteral("7,00 %"));
        QVERIFY(!frm->actSetGeneralVatRates->isEnabled());
        QGuiApplication::clipboard()->setText(QStringLiteral("7,12"));
        QTest::keySequence(edit, QKeySequence::Paste);
    } else {
        edit->setText(QStringLiteral("7,125 %"));
    }
    QVERIFY(frm->actSetGeneralVatRates->isEnabled());
    if (tabFirst) {
        QTest::keyClick(edit, Qt::Key_Tab);
        QTRY_VERIFY(frm->edtVatRate[2]->hasFocus());
    }

    win::setNextAnswer(MsgResult::Yes);
    QTest::mouseClick(frm->btnSetGeneralVatRates, Qt::LeftButton);
    QCOMPARE(win::shownMessages().size(), 1);
    QVERIFY(!frm->actSetGeneralVatRates->isEnabled());

    QCOMPARE(storedRate(h->host(), 1), stored);
    QCOMPARE(h->host().scalar(QStringLiteral("select count(*) from kassenbuchkonten where steuersatz = ") +
                              stored),
             QStringLiteral("2"));
    QCOMPARE(
        h->host().scalar(QStringLiteral("select vorgang from vorgangsprotokoll")),
        QStringLiteral("Änderung Mwst Sätze\r\nÄnderung Mwst Satz 1:     7,00 %--->     %1 %").arg(shown));
    QCOMPARE(edit->text(), shown + QStringLiteral(" %"));
}

void TestGeneralPage::tabWalksRoundTheRateEditsOnly()
{
    auto h = openReady();
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    QCOMPARE(frm->btnSetGeneralVatRates->focusPolicy(), Qt::NoFocus);
    for (QAbstractButton* key : frm->keybNumeric->keys())
        QCOMPARE(key->focusPolicy(), Qt::NoFocus);

    const auto focused = [] { return QApplication::focusWidget(); };
    QTest::mouseClick(frm->edtVatRate[0], Qt::LeftButton);
    QTRY_COMPARE(focused(), frm->edtVatRate[0]);
    for (int n : {1, 2, 3, 4, 0}) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        QCOMPARE(focused(), frm->edtVatRate[n]);
    }
    for (int n : {4, 3}) {
        QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(focused(), frm->edtVatRate[n]);
    }

    // The keypad's Tab walks the same round, and a disabled edit is left out.
    frm->edtVatRate[4]->setEnabled(false);
    pressKey(frm, QStringLiteral("keyTab"));
    QCOMPARE(focused(), frm->edtVatRate[0]);
    QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focused(), frm->edtVatRate[3]);

    // Pressing "Ändern" leaves the focus where the typing goes on.
    win::setNextAnswer(MsgResult::No);
    QTest::keyClicks(focused(), QStringLiteral("8"));
    QTest::mouseClick(frm->btnSetGeneralVatRates, Qt::LeftButton);
    QCOMPARE(focused(), frm->edtVatRate[3]);
}

void TestGeneralPage::destroyingWindowWithFocusedEditRunsNoHandler()
{
    auto h = openReady();
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    widgets::TRateEdit* edit = frm->edtVatRate[1];
    QTest::mouseClick(edit, Qt::LeftButton);
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, QStringLiteral("5")); // reformatted when the focus goes

    // The change handler enables "Ändern": any run of it from here on shows.
    frm->actSetGeneralVatRates->setEnabled(false);
    int handlerRuns = 0;
    QObject::connect(frm->actSetGeneralVatRates, &QAction::enabledChanged, [&handlerRuns] { ++handlerRuns; });
    h.reset();
    QCOMPARE(handlerRuns, 0);
}

void TestGeneralPage::questionDetailsListWhatWillBeWritten()
{
    auto h = openReady();
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    typeInto(frm->edtVatRate[1], QStringLiteral("5"));
    typeInto(frm->edtVatRate[3], QStringLiteral("10"));
    typeInto(frm->edtVatRate[0], QStringLiteral("19")); // typed, but the same rate
    win::setNextAnswer(MsgResult::No);
    QVERIFY(frm->SaveGeneralChanges());
    QCOMPARE(win::shownMessages().size(), 1);
    QCOMPARE(win::shownMessages().first().text, SaveQuestion);
    QCOMPARE(win::shownMessages().first().details, QStringLiteral("Mwst Satz 1: 7,00 % → 5,00 %\n"
                                                                  "    Konto 1 Wareneinkauf 7 %\n"
                                                                  "    Konto 2 Blumen & Deko\n"
                                                                  "Mwst Satz 3: 10,70 % → 10,00 %\n"
                                                                  "    keine Konten"));
    // Telling wrote nothing and left nothing open.
    QCOMPARE(storedRate(h->host(), 1), QStringLiteral("7"));
    QCOMPARE(h->host().protocolCount(), 0);
    QVERIFY(!data::MainDM->trcKovantel.Active());
}

int main(int argc, char** argv)
{
    win::Application app(argc, argv);
    PrepareGuiTestApplication();
    TestGeneralPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_general_page.moc"
