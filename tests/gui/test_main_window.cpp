#include "AppHarness.h"
#include "widgets/PageControl.h"
#include "widgets/RateEdit.h"
#include "win/ErrorReport.h"
#include "win/MessageDlg.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace testsupport;
using win::MsgKind;
using win::MsgResult;

namespace {

void clickTab(app::TMainFrm* frm, int index)
{
    QTabBar* bar = frm->pgcVatRates->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void outcomes_data();
    void outcomes();
    void readyWindowLooksAsItShould();
    void tabClickBeforeOpenIsRefusedSilently();
    void closeAsksOnlyWithPendingChangesOfTheActivePage_data();
    void closeAsksOnlyWithPendingChangesOfTheActivePage();
    void closeWithDateWarningNeverAsks();
    void titleBarCloseNeverAsks();
    void exceptionInOpenReachesErrorReportAndLeavesWindowLocked();
    void exceptionWhileShowingRatesAfterOpen();
    void queuedCloseDuringOpenDoesNotUseFreedDataModule();
    void cursorIsDefaultArrowAfterOpen();
    void restoringTheWindowDoesNotOpenAgain();
    void noKeyLeavesAPageWithoutBeingAsked();
    void failedOpenNamesEveryAttemptInItsDetails_data();
    void failedOpenNamesEveryAttemptInItsDetails();
};

void TestMainWindow::outcomes_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("stays");
    QTest::addColumn<bool>("dateWarning");

    QTest::newRow("1 ready") << "main"
                             << "" << -1 << "" << true << false;
    QTest::newRow("2 before change date")
        << "d20231231"
        << "" << int(MsgKind::Warning)
        << "Die Änderungen dürfen erst nach dem 31.12.2023 durchgeführt werden, da "
           "diese sofort wirksam werden!"
        << true << true;
    QTest::newRow("1 on change date") << "d20240101"
                                      << "" << -1 << "" << true << false;
    // A program folder copied from a Windows till.
    QTest::newRow("1 configuration file in upper case") << "main"
                                                        << "upperini" << -1 << "" << true << false;
    QTest::newRow("0 no database") << "main"
                                   << "nodb" << int(MsgKind::Error)
                                   << "Datenbank konnte nicht geöffnet werden." << false << true;
    QTest::newRow("-1 no configuration") << "main"
                                         << "noini" << int(MsgKind::Information)
                                         << "Konfigurationsdatei nicht gefunden.\r\nBitte kopieren Sie das "
                                            "Programm in das KOVANTEL Verzeichnis!"
                                         << false << true;
    QTest::newRow("-2 old version")
        << "main"
        << "old" << int(MsgKind::Error)
        << "Datenbankversion ist nierdriger als Version 6.\r\nWenden sie an den Hersteller!" << false << true;
}

void TestMainWindow::outcomes()
{
    QFETCH(QString, server);
    QFETCH(QString, setup);
    QFETCH(int, kind);
    QFETCH(QString, message);
    QFETCH(bool, stays);
    QFETCH(bool, dateWarning);

    AppHarness h(ProtocolForm::V8, server);
    h.host().fillStandard();
    h.writeIni();
    if (setup == QLatin1String("nodb"))
        h.writeIniText(QStringLiteral("[Filialen]\r\nKovantel=%1;%2;%1/gibt-es-nicht.fdb\r\n")
                           .arg(h.programFolder(), h.host().server()));
    else if (setup == QLatin1String("noini"))
        h.removeIni();
    else if (setup == QLatin1String("upperini"))
        QVERIFY(QFile::rename(h.programFolder() + QStringLiteral("Kovantel.ini"),
                              h.programFolder() + QStringLiteral("KOVANTEL.INI")));
    else if (setup == QLatin1String("old"))
        h.host().setVersion(QStringLiteral("5.9"));
    if (kind >= 0)
        win::setNextAnswer(MsgResult::Ok);

    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    QTRY_COMPARE(frm->isVisible(), stays);
    if (kind < 0) {
        QVERIFY(win::shownMessages().isEmpty());
    } else {
        QCOMPARE(win::shownMessages().size(), 1);
        QCOMPARE(int(win::shownMessages().first().kind), kind);
        QCOMPARE(win::shownMessages().first().text, message);
        QCOMPARE(win::shownMessages().first().buttons, win::MsgButtons::Ok);
    }
    QCOMPARE(frm->FDateWarning, dateWarning);
    if (stays) {
        QCOMPARE(frm->FEditMode, 1);
        QVERIFY(data::MainDM != nullptr);
        QVERIFY(data::MainDM->dbKovantel.Connected());
        QVERIFY(frm->edtVatRate[1]->isEnabled());
        QVERIFY(!frm->actSetGeneralVatRates->isEnabled());
    } else {
        QCOMPARE(frm->FEditMode, 0);
        QVERIFY(data::MainDM == nullptr);
    }
}

void TestMainWindow::readyWindowLooksAsItShould()
{
    AppHarness h;
    h.host().fillStandard();
    h.writeIni();
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());

    QCOMPARE(frm->windowTitle(), QStringLiteral("KOVANTEL Mwst"));
    QCOMPARE(frm->size(), QSize(1014, 692));
    QCOMPARE(frm->minimumSize(), frm->maximumSize());
    QVERIFY(!(frm->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(frm->palette().color(QPalette::Window), QColor(173, 216, 230));
    QCOMPARE(frm->pgcVatRates->geometry(), QRect(10, 10, 994, 621));
    QCOMPARE(frm->btnClose->geometry(), QRect(896, 643, 110, 41));
    QCOMPARE(frm->pgcVatRates->tabText(0), QStringLiteral("Allgemein"));
    QCOMPARE(frm->pgcVatRates->tabText(1), QStringLiteral("Artikel"));
    QCOMPARE(frm->pgcVatRates->currentIndex(), 0);
    QCOMPARE(frm->font().pixelSize(), 15);
    if (QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")))
        QCOMPARE(QFontInfo(frm->font()).family(), QStringLiteral("Tahoma"));
    // Screen readers and UI automation find the controls by their captions.
    QCOMPARE(frm->btnClose->accessibleName(), QStringLiteral("Beenden"));
    for (int n = 0; n < 5; ++n)
        QCOMPARE(frm->edtVatRate[n]->accessibleName(), QStringLiteral("Mwst Satz %1:").arg(n));
    QVERIFY(!frm->btnClose->icon().isNull());
    QVERIFY(!QApplication::windowIcon().isNull() || !frm->windowIcon().isNull());
}

void TestMainWindow::tabClickBeforeOpenIsRefusedSilently()
{
    AppHarness h;
    h.host().fillStandard();
    h.writeIni();
    app::TMainFrm* frm = h.start();
    QVERIFY(frm->tmrOpenBranchOffice->isActive());
    clickTab(frm, 1);
    QCOMPARE(frm->pgcVatRates->currentIndex(), 0);
    QVERIFY(win::shownMessages().isEmpty());
    QVERIFY(h.waitForOpen());
    clickTab(frm, 1);
    QCOMPARE(frm->pgcVatRates->currentIndex(), 1);
}

void TestMainWindow::closeAsksOnlyWithPendingChangesOfTheActivePage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("generalPending");
    QTest::addColumn<bool>("articlesPending");
    QTest::addColumn<bool>("asks");

    QTest::newRow("general clean") << 0 << false << false << false;
    QTest::newRow("general pending") << 0 << true << false << true;
    QTest::newRow("articles clean, general left pending") << 1 << true << false << false;
    QTest::newRow("articles pending") << 1 << false << true << true;
}

void TestMainWindow::closeAsksOnlyWithPendingChangesOfTheActivePage()
{
    QFETCH(int, page);
    QFETCH(bool, generalPending);
    QFETCH(bool, articlesPending);
    QFETCH(bool, asks);

    AppHarness h;
    h.host().fillStandard();
    h.writeIni();
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    if (page == 1) {
        if (generalPending) {
            frm->edtVatRate[1]->setValue(5);
            win::setNextAnswer(MsgResult::No); // leave the typed value unsaved
        }
        clickTab(frm, 1);
        QCOMPARE(frm->pgcVatRates->currentIndex(), 1);
    } else if (generalPending) {
        frm->edtVatRate[1]->setText(QStringLiteral("5"));
    }
    if (articlesPending)
        frm->actSetArticlesVatRates->setEnabled(true);
    win::clearShownMessages();

    if (asks) {
        // No keeps the window and what was typed.
        win::setNextAnswer(MsgResult::No);
        QTest::mouseClick(frm->btnClose, Qt::LeftButton);
        QCOMPARE(win::shownMessages().size(), 1);
        QCOMPARE(win::shownMessages().first().text,
                 QStringLiteral("Es liegen Änderungen vor.\r\nSollen diese verworfen werden?"));
        QCOMPARE(win::shownMessages().first().defaultButton, MsgResult::Yes);
        QVERIFY(frm->isVisible());
        if (page == 0)
            QCOMPARE(frm->edtVatRate[1]->Value(), 5.0);
        // Yes closes without saving.
        win::setNextAnswer(MsgResult::Yes);
    }
    QTest::mouseClick(frm->btnClose, Qt::LeftButton);
    QCOMPARE(win::shownMessages().size(), asks ? 2 : 0);
    QVERIFY(!frm->isVisible());
    QVERIFY(data::MainDM == nullptr);
    QCOMPARE(
        h.host().scalar(QStringLiteral("select numwert from einstellungen where schluessel = 'MwstSatz1'")),
        QStringLiteral("7"));
    QCOMPARE(h.host().protocolCount(), 0);
}

void TestMainWindow::closeWithDateWarningNeverAsks()
{
    AppHarness h(ProtocolForm::V8, QStringLiteral("d20231231"));
    h.host().fillStandard();
    h.writeIni();
    win::setNextAnswer(MsgResult::Ok);
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    QTRY_COMPARE(frm->FEditMode, 1);
    frm->edtVatRate[0]->setText(QStringLiteral("20"));
    QVERIFY(frm->actSetGeneralVatRates->isEnabled());
    win::clearShownMessages();
    QTest::mouseClick(frm->btnClose, Qt::LeftButton);
    QVERIFY(win::shownMessages().isEmpty());
    QVERIFY(!frm->isVisible());
}

void TestMainWindow::titleBarCloseNeverAsks()
{
    AppHarness h;
    h.host().fillStandard();
    h.writeIni();
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    frm->edtVatRate[0]->setText(QStringLiteral("20"));
    frm->close();
    QVERIFY(win::shownMessages().isEmpty());
    QVERIFY(data::MainDM == nullptr);
}

void TestMainWindow::exceptionInOpenReachesErrorReportAndLeavesWindowLocked()
{
    AppHarness h;
    h.host().fillStandard();
    // The fourth transaction of the session is the server-date step, the one step of the
    // open that is not guarded; a refused start there leaves the open as an exception.
    h.host().exec(QStringLiteral("create exception tx_refused 'Transaktion für Kasse verweigert'"));
    h.host().exec(
        QStringLiteral("create trigger tx_limit on transaction start as\n"
                       "declare n integer;\n"
                       "begin\n"
                       "  n = coalesce(cast(rdb$get_context('USER_SESSION', 'TX') as integer), 0) + 1;\n"
                       "  rdb$set_context('USER_SESSION', 'TX', n);\n"
                       "  if (n = 4) then\n"
                       "    exception tx_refused;\n"
                       "end"),
        {});
    h.writeIni();
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    QCOMPARE(win::shownMessages().size(), 1);
    const win::ShownMessage box = win::shownMessages().first();
    QCOMPARE(box.title, QStringLiteral("KOVANTELMwst"));
    QCOMPARE(box.kind, MsgKind::Error);
    QVERIFY2(box.text.contains(QStringLiteral("Transaktion für Kasse verweigert")), qPrintable(box.text));
    QVERIFY(box.text.endsWith(QLatin1Char('.')));
    QVERIFY(frm->isVisible());
    QCOMPARE(frm->FEditMode, 0);
    QVERIFY(frm->FDateWarning);
    QVERIFY(!frm->edtVatRate[0]->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!data::MainDM->trcKovantel.Active());
    clickTab(frm, 1);
    QCOMPARE(frm->pgcVatRates->currentIndex(), 0);
    // With the date warning still set, "Beenden" closes without asking.
    win::clearShownMessages();
    QTest::mouseClick(frm->btnClose, Qt::LeftButton);
    QVERIFY(win::shownMessages().isEmpty());
    QVERIFY(!frm->isVisible());
}

void TestMainWindow::exceptionWhileShowingRatesAfterOpen()
{
    AppHarness h;
    h.host().fillStandard();
    h.host().exec(QStringLiteral("drop table kassenbuchkonten"));
    h.writeIni();
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    QTRY_COMPARE(win::shownMessages().size(), 1);
    QCOMPARE(win::shownMessages().first().title, QStringLiteral("KOVANTELMwst"));
    QCOMPARE(frm->FEditMode, 1);
    QVERIFY(frm->FDateWarning);
    QVERIFY(frm->isVisible());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestMainWindow::queuedCloseDuringOpenDoesNotUseFreedDataModule()
{
    AppHarness h;
    h.host().fillStandard();
    h.writeIni();
    app::TMainFrm* frm = h.start();
    frm->tmrOpenBranchOffice->stop();
    // A click on "Beenden" that waits in the queue runs while the open processes messages,
    // after the date warning is set: it closes at once and frees the data module.
    QMetaObject::invokeMethod(frm->btnClose, "click", Qt::QueuedConnection);
    QVERIFY(win::Guarded([frm] { frm->tmrOpenBranchOfficeTimer(); }));
    QVERIFY(!frm->isVisible());
    QVERIFY(data::MainDM == nullptr);
    QVERIFY(win::shownMessages().isEmpty());
    QCOMPARE(frm->FEditMode, 0);
}

void TestMainWindow::cursorIsDefaultArrowAfterOpen()
{
    AppHarness h;
    h.host().fillStandard();
    h.writeIni();
    QApplication::setOverrideCursor(Qt::CrossCursor);
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    QCOMPARE(frm->FEditMode, 1);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestMainWindow::restoringTheWindowDoesNotOpenAgain()
{
    AppHarness h;
    h.host().fillStandard();
    h.writeIni();
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    frm->edtVatRate[1]->setText(QStringLiteral("5"));
    frm->showMinimized();
    frm->showNormal();
    QVERIFY(!frm->tmrOpenBranchOffice->isActive());
    QCOMPARE(frm->edtVatRate[1]->Value(), 5.0);
    QVERIFY(frm->actSetGeneralVatRates->isEnabled());
    QVERIFY(!frm->FDateWarning);
}

void TestMainWindow::noKeyLeavesAPageWithoutBeingAsked()
{
    AppHarness h;
    h.host().fillStandard();
    h.writeIni();
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    QTabBar* bar = frm->pgcVatRates->tabBar();
    QCOMPARE(bar->focusPolicy(), Qt::NoFocus);
    QCOMPARE(frm->pgcVatRates->focusPolicy(), Qt::NoFocus);
    QCOMPARE(frm->btnClose->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(frm->edtVatRate[1], Qt::LeftButton);
    QTRY_VERIFY(frm->edtVatRate[1]->hasFocus());
    QTest::keyClicks(frm->edtVatRate[1], QStringLiteral("5"));
    clickTab(frm, 0); // a click on the tab shown does nothing
    QVERIFY(frm->edtVatRate[1]->hasFocus());

    // Even with the focus forced onto the bar, its arrow keys do nothing.
    bar->setFocus();
    QTRY_VERIFY(bar->hasFocus());
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_End, Qt::Key_Left, Qt::Key_Home})
        QTest::keyClick(bar, key);
    QCOMPARE(frm->pgcVatRates->currentIndex(), 0);
    QVERIFY(win::shownMessages().isEmpty());

    // Ctrl+Tab is asked for on purpose, and still goes through the question.
    frm->edtVatRate[1]->setFocus();
    win::setNextAnswer(MsgResult::No);
    QTest::keyClick(frm->edtVatRate[1], Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(win::shownMessages().size(), 1);
    QCOMPARE(win::shownMessages().first().text, QStringLiteral("Sollen die Änderungen gespeichert werden?"));
    QCOMPARE(frm->pgcVatRates->currentIndex(), 1);
}

namespace {

// A Firebird server of this test alone whose SYSDBA has another password than the one the
// tool logs in with, so that the login is refused.
struct ForeignServer
{
    ForeignServer()
    {
        const QString repo = QDir(QStringLiteral(KOVANTEL_SQL_DIR "/../..")).absolutePath();
        script = QStringLiteral("source '%1/scripts/lib/fbserver.sh'; ").arg(repo);
        port = run(QStringLiteral("p=$(fb_random_port); FB_PASSWORD=anders fb_make_root '%1' >&2 && "
                                  "fb_start '%1' $p >&2 && echo $p")
                       .arg(root.path()))
                   .toInt();
    }
    ~ForeignServer() { run(QStringLiteral("fb_stop '%1'").arg(root.path())); }
    QString run(const QString& command)
    {
        QProcess p;
        p.start(QStringLiteral("bash"), {QStringLiteral("-c"), script + command});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QTemporaryDir root;
    QString script;
    int port = 0;
};

} // namespace

void TestMainWindow::failedOpenNamesEveryAttemptInItsDetails_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("server unreachable") << "unreachable";
    QTest::newRow("database file missing") << "nodb";
    QTest::newRow("login refused") << "password";
}

void TestMainWindow::failedOpenNamesEveryAttemptInItsDetails()
{
    QFETCH(QString, setup);
    AppHarness h(ProtocolForm::V8);
    h.host().fillStandard();
    std::unique_ptr<ForeignServer> foreign;
    QString server = h.host().server();
    QString file = h.host().path();
    if (setup == QLatin1String("unreachable")) {
        server = QStringLiteral("127.0.0.1/1");
    } else if (setup == QLatin1String("nodb")) {
        file = h.programFolder() + QStringLiteral("gibt-es-nicht.fdb");
    } else {
        foreign = std::make_unique<ForeignServer>();
        QVERIFY(foreign->port > 0);
        server = QStringLiteral("127.0.0.1/%1").arg(foreign->port);
    }
    h.writeIniText(
        QStringLiteral("[Filialen]\r\nKovantel=%1;%2;%3\r\n").arg(h.programFolder(), server, file));
    win::setNextAnswer(MsgResult::Ok);
    app::TMainFrm* frm = h.start();
    QVERIFY(h.waitForOpen());
    QTRY_VERIFY(!frm->isVisible());

    QCOMPARE(win::shownMessages().size(), 1);
    const win::ShownMessage& box = win::shownMessages().first();
    QCOMPARE(box.text, QStringLiteral("Datenbank konnte nicht geöffnet werden."));
    QStringList lines = box.details.split(QLatin1Char('\n'));
    for (const QString& more : lines.filter(QRegularExpression(QStringLiteral("^    "))))
        QVERIFY2(!more.trimmed().isEmpty(), qPrintable(box.details));
    lines = lines.filter(QRegularExpression(QStringLiteral("^Verbindung ")));
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith(QStringLiteral("Verbindung %1:%2: ").arg(server, file)),
             qPrintable(lines[0]));
    QVERIFY2(lines[1].startsWith(QStringLiteral("Verbindung ")), qPrintable(lines[1]));
    const QString firstReason = lines[0].mid(QStringLiteral("Verbindung %1:%2: ").arg(server, file).size());
    QVERIFY2(!firstReason.isEmpty() && firstReason != QStringLiteral("hergestellt"), qPrintable(firstReason));
    if (setup == QLatin1String("password"))
        QVERIFY2(firstReason.contains(QStringLiteral("password"), Qt::CaseInsensitive),
                 qPrintable(firstReason));
    QVERIFY(!box.details.contains(QStringLiteral("plumtrove")));
}

int main(int argc, char** argv)
{
    win::Application app(argc, argv);
    PrepareGuiTestApplication();
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_main_window.moc"
