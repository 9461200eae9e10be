#include "AppHarness.h"
#include "widgets/ArticleGrid.h"
#include "widgets/LookupComboBox.h"
#include "widgets/PageControl.h"
#include "widgets/SaveProgress.h"
#include "win/ErrorReport.h"
#include "win/MessageDlg.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace testsupport;
using win::MsgResult;

namespace {

const QString SaveQuestion = QStringLiteral("Sollen die Änderungen gespeichert werden?");
const QString SaveFailed = QStringLiteral("Beim Speichern ist ein Fehler aufgetreten!");

void clickTab(app::TMainFrm* frm, int index)
{
    QTabBar* bar = frm->pgcVatRates->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

// The usual host (slots 19, 7, 0, 10.7, 5.5) with a few product groups; `articles` adds
// rows before the tool connects. The window is open and on the articles page.
std::unique_ptr<AppHarness> openArticles(const std::function<void(HostDb&)>& articles)
{
    auto h = std::make_unique<AppHarness>(ProtocolForm::V8);
    h->host().fillStandard();
    h->host().addWarengruppe(1, QStringLiteral("Speisen"));
    h->host().addWarengruppe(2, QStringLiteral("Getränke"));
    h->host().addWarengruppe(3, QStringLiteral("alkoholfrei"));
    if (articles)
        articles(h->host());
    h->writeIni();
    h->start();
    if (!h->waitForOpen() || h->window()->FEditMode != 1)
        return nullptr;
    win::clearShownMessages();
    clickTab(h->window(), 1);
    if (h->window()->pgcVatRates->currentIndex() != 1)
        return nullptr;
    return h;
}

void standardArticles(HostDb& host)
{
    host.addArtikel(1, QStringLiteral("Pils 0,5"), 2, 1, 1);
    host.addArtikel(2, QStringLiteral("Weizen"), 2, 1, 1);
    host.addArtikel(3, QStringLiteral("Schnitzel"), 1, 1, 2);
    host.addArtikel(4, QStringLiteral("Apfelschorle"), 3, 1, 2);
    host.addArtikel(5, QStringLiteral("Brezel"), QVariant(), 3, 7); // no group; no slot 7, so no rate
}

// The top-level row of the product group (the empty name is the group of articles without one).
QModelIndex groupRow(widgets::TArticleGrid* grid, const QString& name)
{
    QAbstractItemModel* m = grid->model();
    for (int r = 0; r < m->rowCount(); ++r)
        for (int c = 0; c < m->columnCount(); ++c)
            if (m->index(r, c).data().toString() == name)
                return m->index(r, 0);
    return {};
}

// The index of a row that carries its check box.
QModelIndex checkable(const QModelIndex& row)
{
    const QAbstractItemModel* m = row.model();
    for (int c = 0; c < m->columnCount(row.parent()); ++c) {
        const QModelIndex i = row.siblingAtColumn(c);
        if (i.flags() & Qt::ItemIsUserCheckable)
            return i;
    }
    return {};
}

void tick(const QModelIndex& row)
{
    const QModelIndex box = checkable(row);
    QVERIFY(box.isValid());
    QVERIFY(const_cast<QAbstractItemModel*>(box.model())->setData(box, Qt::Checked, Qt::CheckStateRole));
}

// "Gruppe: Artikel (Mwst i. H., Mwst a. H.)" of every article row, group by group.
QStringList listed(widgets::TArticleGrid* grid)
{
    QStringList out;
    QAbstractItemModel* m = grid->model();
    for (int g = 0; g < m->rowCount(); ++g) {
        const QModelIndex group = m->index(g, 0);
        QString groupName;
        for (int c = 0; c < m->columnCount() && groupName.isEmpty(); ++c)
            groupName = m->index(g, c).data().toString();
        for (int a = 0; a < m->rowCount(group); ++a) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(group); ++c) {
                const QString t = m->index(a, c, group).data().toString();
                if (!t.isEmpty())
                    cells << t;
            }
            out << groupName + QStringLiteral(": ") + cells.join(QLatin1Char('|'));
        }
    }
    return out;
}

bool anyExpandedOrTicked(widgets::TArticleGrid* grid)
{
    QAbstractItemModel* m = grid->model();
    for (int g = 0; g < m->rowCount(); ++g) {
        const QModelIndex group = m->index(g, 0);
        if (grid->isExpanded(group) || checkable(group).data(Qt::CheckStateRole).toInt() != Qt::Unchecked)
            return true;
    }
    return false;
}

QString pairOf(HostDb& host, int id)
{
    return host
        .rows(QStringLiteral("select mwstsatzih || '/' || mwstsatzah from artikel where artikelid = :id"),
              {{QStringLiteral("id"), id}})
        .front()
        .front();
}

} // namespace

class TestArticlesPage : public QObject
{
    Q_OBJECT
private slots:
    void emptyHostDisablesBothLists();
    void entersWithEverythingAvailableAndGrouped();
    void tickedGroupMovesWholeEvenContracted();
    void arrowWithNothingTickedRebuildsAndContracts();
    void savingAsksAndWritesTheSelection();
    void leavingWithSelectionAndNoForgetsEverything();
    void articleLockedByAnotherTillStaysSelected();
    void longSaveShowsItsProgress();
    void refusedEntryIsNamedInTheDetails();
};

void TestArticlesPage::emptyHostDisablesBothLists()
{
    auto h = openArticles({});
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    QCOMPARE(frm->grpVorhandeneArtikel->geometry(), QRect(10, 5, 523, 576));
    QCOMPARE(frm->grdVorhandeneArtikel->geometry(), QRect(10, 25, 501, 486));
    QCOMPARE(frm->grpAusgewaehlteArtikel->geometry(), QRect(601, 5, 375, 578));
    QCOMPARE(frm->grdAusgewArtikel->geometry(), QRect(10, 65, 351, 446));
    QCOMPARE(frm->btnSelectArticle->geometry(), QRect(549, 165, 41, 41));
    QCOMPARE(frm->btnUnselectArticle->geometry(), QRect(549, 315, 41, 41));
    QCOMPARE(frm->btnSetArticleVatRates->geometry(), QRect(248, 525, 110, 41));
    QCOMPARE(frm->DBAuswahlArtikelMwstSatziH->geometry(), QRect(77, 27, 90, 26));
    QCOMPARE(frm->DBAuswahlArtikelMwstSatzaH->geometry(), QRect(270, 27, 90, 26));

    QVERIFY(!frm->grdVorhandeneArtikel->isEnabled());
    QVERIFY(!frm->grdAusgewArtikel->isEnabled());
    QCOMPARE(frm->grdVorhandeneArtikel->ArticleCount(), 0);
    for (QToolButton* b :
         {frm->btnContractAvailableArticles, frm->btnExpandAvailableArticles,
          frm->btnContractSelectedArticles, frm->btnExpandSelectedArticles, frm->btnSetArticleVatRates})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QVERIFY(frm->btnSelectArticle->isEnabled());
    QVERIFY(frm->btnUnselectArticle->isEnabled());

    // What a screen reader and a keyboard user meet.
    QCOMPARE(frm->btnSelectArticle->accessibleName(), QStringLiteral("Auswählen"));
    QCOMPARE(frm->btnUnselectArticle->accessibleName(), QStringLiteral("Abwählen"));
    QCOMPARE(frm->DBAuswahlArtikelMwstSatziH->accessibleName(), QStringLiteral("im Haus:"));
    QCOMPARE(frm->DBAuswahlArtikelMwstSatzaH->accessibleName(), QStringLiteral("außer Haus:"));
    QCOMPARE(frm->grdAusgewArtikel->accessibleName(), QStringLiteral("ausgewählte Artikel"));
    for (QToolButton* b : frm->tsArticles->findChildren<QToolButton*>()) {
        QVERIFY2(!b->accessibleName().isEmpty(), qPrintable(b->objectName()));
        QCOMPARE(b->focusPolicy(), Qt::NoFocus);
    }
    // The choice starts at slots 1 and 2, shown by their rates.
    QCOMPARE(frm->DBAuswahlArtikelMwstSatziH->currentText(), QStringLiteral("7,00 %"));
    QCOMPARE(frm->DBAuswahlArtikelMwstSatzaH->currentText(), QStringLiteral("0,00 %"));
    QCOMPARE(frm->DBAuswahlArtikelMwstSatziH->count(), 5);
}

void TestArticlesPage::entersWithEverythingAvailableAndGrouped()
{
    auto h = openArticles(standardArticles);
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    QVERIFY(frm->grdVorhandeneArtikel->isEnabled());
    QVERIFY(frm->btnExpandAvailableArticles->isEnabled());
    QVERIFY(!frm->grdAusgewArtikel->isEnabled());
    QVERIFY(!frm->actSetArticlesVatRates->isEnabled());
    QCOMPARE(frm->grdVorhandeneArtikel->GroupCount(), 4);
    QVERIFY(!anyExpandedOrTicked(frm->grdVorhandeneArtikel));
    QCOMPARE(listed(frm->grdVorhandeneArtikel),
             (QStringList{QStringLiteral(": Brezel|10,70 %|0,00 %"),
                          QStringLiteral("alkoholfrei: Apfelschorle|7,00 %|0,00 %"),
                          QStringLiteral("Getränke: Pils 0,5|7,00 %|7,00 %"),
                          QStringLiteral("Getränke: Weizen|7,00 %|7,00 %"),
                          QStringLiteral("Speisen: Schnitzel|7,00 %|0,00 %")}));
}

void TestArticlesPage::tickedGroupMovesWholeEvenContracted()
{
    auto h = openArticles(standardArticles);
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    tick(groupRow(frm->grdVorhandeneArtikel, QStringLiteral("Getränke")));
    QTest::mouseClick(frm->btnSelectArticle, Qt::LeftButton);

    QCOMPARE(listed(frm->grdAusgewArtikel),
             (QStringList{QStringLiteral("Getränke: Pils 0,5"), QStringLiteral("Getränke: Weizen")}));
    QCOMPARE(frm->grdVorhandeneArtikel->ArticleCount(), 3);
    QVERIFY(frm->grdAusgewArtikel->isEnabled());
    QVERIFY(frm->actSetArticlesVatRates->isEnabled());
    QVERIFY(frm->btnExpandSelectedArticles->isEnabled());
    QVERIFY(!anyExpandedOrTicked(frm->grdAusgewArtikel));
    QVERIFY(!anyExpandedOrTicked(frm->grdVorhandeneArtikel));

    // And one of them back.
    frm->grdAusgewArtikel->ExpandAllGroups();
    const QModelIndex group = groupRow(frm->grdAusgewArtikel, QStringLiteral("Getränke"));
    tick(frm->grdAusgewArtikel->model()->index(1, 0, group));
    QTest::mouseClick(frm->btnUnselectArticle, Qt::LeftButton);
    QCOMPARE(listed(frm->grdAusgewArtikel), QStringList{QStringLiteral("Getränke: Pils 0,5")});
    QCOMPARE(frm->grdVorhandeneArtikel->ArticleCount(), 4);
}

void TestArticlesPage::arrowWithNothingTickedRebuildsAndContracts()
{
    auto h = openArticles(standardArticles);
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    QTest::mouseClick(frm->btnExpandAvailableArticles, Qt::LeftButton);
    QVERIFY(frm->grdVorhandeneArtikel->isExpanded(
        groupRow(frm->grdVorhandeneArtikel, QStringLiteral("Speisen"))));
    QTest::mouseClick(frm->btnSelectArticle, Qt::LeftButton);
    QVERIFY(!anyExpandedOrTicked(frm->grdVorhandeneArtikel));
    QCOMPARE(frm->grdVorhandeneArtikel->ArticleCount(), 5);
    QVERIFY(!frm->actSetArticlesVatRates->isEnabled());
}

void TestArticlesPage::savingAsksAndWritesTheSelection()
{
    auto h = openArticles(standardArticles);
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    tick(groupRow(frm->grdVorhandeneArtikel, QStringLiteral("Getränke")));
    QTest::mouseClick(frm->btnSelectArticle, Qt::LeftButton);
    // In-house 19 % (slot 0); out-of-house stays at slot 2.
    frm->DBAuswahlArtikelMwstSatziH->setCurrentIndex(
        frm->DBAuswahlArtikelMwstSatziH->findText(QStringLiteral("19,00 %")));
    emit frm->DBAuswahlArtikelMwstSatziH->activated(frm->DBAuswahlArtikelMwstSatziH->currentIndex());

    // Move Schnitzel too, whose pair is already the choice after this pick.
    win::setNextAnswer(MsgResult::No);
    QTest::mouseClick(frm->btnSetArticleVatRates, Qt::LeftButton);
    QCOMPARE(win::shownMessages().last().text, SaveQuestion);
    QCOMPARE(
        win::shownMessages().last().details,
        QStringLiteral("2 Artikel werden geändert:\n"
                       "Pils 0,5 (Getränke): im Haus 7,00 % (Satz 1) → 19,00 % (Satz 0), außer Haus 7,00 % "
                       "(Satz 1) → 0,00 % (Satz 2)\n"
                       "Weizen (Getränke): im Haus 7,00 % (Satz 1) → 19,00 % (Satz 0), außer Haus 7,00 % "
                       "(Satz 1) → 0,00 % (Satz 2)"));
    QVERIFY(frm->actSetArticlesVatRates->isEnabled());
    QCOMPARE(pairOf(h->host(), 1), QStringLiteral("1/1"));

    win::setNextAnswer(MsgResult::Yes);
    QTest::mouseClick(frm->btnSetArticleVatRates, Qt::LeftButton);
    QCOMPARE(win::shownMessages().size(), 2);
    QVERIFY(!frm->actSetArticlesVatRates->isEnabled());
    QVERIFY(!frm->grdAusgewArtikel->isEnabled());
    QCOMPARE(pairOf(h->host(), 1), QStringLiteral("0/2"));
    QCOMPARE(pairOf(h->host(), 2), QStringLiteral("0/2"));
    QCOMPARE(h->host().protocolCount(), 2);
    QVERIFY(listed(frm->grdVorhandeneArtikel).contains(QStringLiteral("Getränke: Pils 0,5|19,00 %|0,00 %")));
    // The choice is kept for the next round.
    QCOMPARE(frm->DBAuswahlArtikelMwstSatziH->currentText(), QStringLiteral("19,00 %"));
}

void TestArticlesPage::leavingWithSelectionAndNoForgetsEverything()
{
    auto h = openArticles(standardArticles);
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    tick(groupRow(frm->grdVorhandeneArtikel, QStringLiteral("Speisen")));
    QTest::mouseClick(frm->btnSelectArticle, Qt::LeftButton);
    emit frm->DBAuswahlArtikelMwstSatzaH->activated(
        frm->DBAuswahlArtikelMwstSatzaH->findText(QStringLiteral("5,50 %")));
    QCOMPARE(frm->DBAuswahlArtikelMwstSatzaH->currentText(), QStringLiteral("5,50 %"));

    win::setNextAnswer(MsgResult::No);
    clickTab(frm, 0);
    QCOMPARE(frm->pgcVatRates->currentIndex(), 0);
    QCOMPARE(win::shownMessages().last().text, SaveQuestion);
    QCOMPARE(h->host().protocolCount(), 0);

    clickTab(frm, 1);
    QCOMPARE(frm->grdVorhandeneArtikel->ArticleCount(), 5);
    QCOMPARE(frm->grdAusgewArtikel->ArticleCount(), 0);
    QCOMPARE(frm->DBAuswahlArtikelMwstSatziH->currentText(), QStringLiteral("7,00 %"));
    QCOMPARE(frm->DBAuswahlArtikelMwstSatzaH->currentText(), QStringLiteral("0,00 %"));

    // "Beenden" asks while something is selected.
    tick(groupRow(frm->grdVorhandeneArtikel, QStringLiteral("Speisen")));
    QTest::mouseClick(frm->btnSelectArticle, Qt::LeftButton);
    win::setNextAnswer(MsgResult::No);
    QTest::mouseClick(frm->btnClose, Qt::LeftButton);
    QVERIFY(frm->isVisible());
    QCOMPARE(win::shownMessages().last().text,
             QStringLiteral("Es liegen Änderungen vor.\r\nSollen diese verworfen werden?"));
}

void TestArticlesPage::articleLockedByAnotherTillStaysSelected()
{
    auto h = openArticles(standardArticles);
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    tick(groupRow(frm->grdVorhandeneArtikel, QStringLiteral("Getränke")));
    tick(groupRow(frm->grdVorhandeneArtikel, QStringLiteral("Speisen")));
    QTest::mouseClick(frm->btnSelectArticle, Qt::LeftButton);

    fb::FbDatabase other;
    other.DBName = h->host().connectionString();
    other.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove")};
    other.Open();
    fb::FbTransaction tr(&other);
    tr.StartTransaction();
    fb::FbQuery lock(&other, &tr, QStringLiteral("update artikel set preis = 1 where artikelid = 2"));
    lock.ExecQuery();

    // Leaving the page saves first; the failure keeps the page.
    win::setNextAnswer(MsgResult::Yes);
    win::setNextAnswer(MsgResult::Ok);
    clickTab(frm, 0);
    tr.Rollback();
    other.Close();
    QCOMPARE(frm->pgcVatRates->currentIndex(), 1);
    QCOMPARE(win::shownMessages().last().text, SaveFailed);
    QCOMPARE(win::shownMessages().last().kind, win::MsgKind::Warning);
    const QString why = win::shownMessages().last().details;
    QVERIFY2(
        why.startsWith(QStringLiteral("1 Artikel wurden nicht gespeichert:\nWeizen (Getränke): Ein anderes "
                                      "Programm oder eine andere Kasse")),
        qPrintable(why));
    QCOMPARE(pairOf(h->host(), 1), QStringLiteral("1/2"));
    QCOMPARE(pairOf(h->host(), 3), QStringLiteral("1/2"));
    QCOMPARE(pairOf(h->host(), 2), QStringLiteral("1/1"));
    QCOMPARE(listed(frm->grdAusgewArtikel), QStringList{QStringLiteral("Getränke: Weizen")});
    QVERIFY(frm->actSetArticlesVatRates->isEnabled());
    QVERIFY(listed(frm->grdVorhandeneArtikel).contains(QStringLiteral("Getränke: Pils 0,5|7,00 %|0,00 %")));
}

void TestArticlesPage::longSaveShowsItsProgress()
{
    auto h = openArticles([](HostDb& host) {
        for (int id = 1; id <= 40; ++id)
            host.addArtikel(id, QStringLiteral("Artikel %1").arg(id), 1, 1, 1);
    });
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    tick(groupRow(frm->grdVorhandeneArtikel, QStringLiteral("Speisen")));
    QTest::mouseClick(frm->btnSelectArticle, Qt::LeftButton);

    const int before = widgets::TSaveProgress::ShowAfterMs;
    widgets::TSaveProgress::ShowAfterMs = 0;
    QStringList seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* p = frm->findChild<widgets::TSaveProgress*>(); p && p->isVisible())
            seen << p->Text();
    });
    watch.start(1);
    win::setNextAnswer(MsgResult::Yes);
    QTest::mouseClick(frm->btnSetArticleVatRates, Qt::LeftButton);
    watch.stop();
    widgets::TSaveProgress::ShowAfterMs = before;

    QVERIFY(!seen.isEmpty());
    QVERIFY2(seen.first().startsWith(QStringLiteral("Artikel werden gespeichert\n")),
             qPrintable(seen.first()));
    QVERIFY2(seen.last().endsWith(QStringLiteral(" von 40")), qPrintable(seen.last()));
    QVERIFY(!frm->findChild<widgets::TSaveProgress*>());
    QCOMPARE(h->host().protocolCount(), 40);
}

void TestArticlesPage::refusedEntryIsNamedInTheDetails()
{
    auto h = openArticles([](HostDb& host) {
        standardArticles(host);
        host.exec(QStringLiteral("create exception eintrag_abgelehnt 'Protokoll ist gesperrt'"));
        host.exec(
            QStringLiteral("create trigger vorgang_sperre for vorgangsprotokoll before insert as begin "
                           "if (new.vorgang containing 'Weizen') then exception eintrag_abgelehnt; end"));
    });
    QVERIFY(h);
    app::TMainFrm* frm = h->window();
    tick(groupRow(frm->grdVorhandeneArtikel, QStringLiteral("Getränke")));
    QTest::mouseClick(frm->btnSelectArticle, Qt::LeftButton);
    win::setNextAnswer(MsgResult::Yes);
    win::setNextAnswer(MsgResult::Ok);
    QTest::mouseClick(frm->btnSetArticleVatRates, Qt::LeftButton);
    QCOMPARE(win::shownMessages().last().text, SaveFailed);
    const QStringList why = win::shownMessages().last().details.split(QLatin1Char('\n'));
    QVERIFY(why.size() >= 2);
    for (const QString& more : why.mid(2))
        QVERIFY2(more.startsWith(QStringLiteral("    ")), qPrintable(more));
    QCOMPARE(why[0], QStringLiteral("1 Artikel wurden nicht gespeichert:"));
    QVERIFY2(why[1].startsWith(QStringLiteral("Weizen (Getränke): ")), qPrintable(why[1]));
    QVERIFY(win::shownMessages().last().details.contains(QStringLiteral("Protokoll ist gesperrt")));
    QCOMPARE(pairOf(h->host(), 2), QStringLiteral("1/1"));
    QCOMPARE(pairOf(h->host(), 1), QStringLiteral("1/2"));
    QCOMPARE(listed(frm->grdAusgewArtikel), QStringList{QStringLiteral("Getränke: Weizen")});
}

int main(int argc, char** argv)
{
    win::Application app(argc, argv);
    PrepareGuiTestApplication();
    TestArticlesPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_articles_page.moc"
