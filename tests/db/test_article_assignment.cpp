#include "HostDb.h"
#include "data/MainData.h"
#include "fb/FbDatabase.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"
#include "win/Cp1252.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using data::TMainDM;
using testsupport::HostDb;
using testsupport::ProtocolForm;

namespace {

// Slots 0..4 at 19, 7, 0, 10.7 and 5.5 %; product groups "Getränke" and "Speisen"; a data
// module connected the way the open sequence leaves it, with the rates loaded as the
// general page loads them.
struct Articles
{
    explicit Articles(ProtocolForm form = ProtocolForm::V8) : host(form)
    {
        host.fillStandard();
        host.addWarengruppe(1, QStringLiteral("Speisen"));
        host.addWarengruppe(2, QStringLiteral("Getränke"));
    }

    // Connects after the test has built its rows, triggers and control tables.
    TMainDM& open()
    {
        data::TProcessInfo info;
        info.ProgramFolder = folder.path() + QLatin1Char('/');
        dm = std::make_unique<TMainDM>(nullptr, info);
        dm->dbKovantel.DBName = host.connectionString();
        dm->dbKovantel.Open();
        dm->DatabaseVersion = host.scalar(QStringLiteral("select count(*) from rdb$relation_fields where "
                                                         "rdb$relation_name = 'VORGANGSPROTOKOLL' and "
                                                         "rdb$field_name = 'SIGNATURTYP'"))
                                          .toInt() == 1
                                  ? 8
                                  : 7;
        dm->KassenID = 1;
        dm->LoadVatRates();
        dm->OpenArticleData();
        return *dm;
    }

    QString pairOf(int id)
    {
        const auto r =
            host.rows(QStringLiteral("select mwstsatzih, mwstsatzah from artikel where artikelid = :id"),
                      {{QStringLiteral("id"), id}});
        return r.empty() ? QString() : r.front().join(QLatin1Char('/'));
    }
    // Protocol entries of category 9 that name the article.
    int entries(const QString& name)
    {
        return host
            .scalar(QStringLiteral("select count(*) from vorgangsprotokoll where kategorie = 9 and "
                                   "vorgang starting with :h"),
                    {{QStringLiteral("h"), QStringLiteral("Artikel VK \"%1\"").arg(name)}})
            .toInt();
    }
    const data::TArticleRow* row(int id) { return dm->vdseArticles.Locate(id); }

    HostDb host;
    QTemporaryDir folder;
    std::unique_ptr<TMainDM> dm;
};

QByteArray cp1252(const char* utf8)
{
    return win::toWindows1252(QString::fromUtf8(utf8));
}

// Another till: a connection of its own that holds a row lock until it goes.
struct OtherConnection
{
    explicit OtherConnection(const HostDb& host)
    {
        db.DBName = host.connectionString();
        db.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove")};
        db.Open();
        tr.StartTransaction();
    }
    void lockArticle(int id)
    {
        fb::FbQuery q(&db, &tr, QStringLiteral("update artikel set preis = preis where artikelid = :id"));
        q.ParamByName(QStringLiteral("id")).setAsInteger(id);
        q.ExecQuery();
    }
    ~OtherConnection()
    {
        if (tr.Active())
            tr.Rollback();
        db.Close();
    }
    fb::FbDatabase db;
    fb::FbTransaction tr{&db};
};

} // namespace

TEST(ArticleList, ReadsEveryArticleAsTheListShowsIt)
{
    Articles a;
    a.host.exec(QStringLiteral("delete from einstellungen where schluessel = 'MwstSatz3'"));
    a.host.addArtikel(1, QStringLiteral("Schnitzel Wiener Art mit Pommes frites und Salat"), 1, 1, 2);
    a.host.addArtikel(2, QVariant(), 2, 0, 0);                        // no name
    a.host.addArtikel(3, QStringLiteral("Brezel"), QVariant(), 3, 7); // no group, slot without row, slot 7
    a.host.addArtikel(4, QStringLiteral("apfelschorle"), 2, 0, 1);
    a.host.addArtikel(-1, QStringLiteral("Gutschein"), 1, 0, 0); // not an article of the list
    TMainDM& dm = a.open();

    const auto& rows = dm.vdseArticles.Rows();
    ASSERT_EQ(rows.size(), 4u);
    // By product group, then by name, both without regard to case; no group first, and
    // the host's own order puts an article without name first in its group.
    EXPECT_EQ(rows[0].artikelid, 3);
    EXPECT_EQ(rows[1].artikelid, 2);
    EXPECT_EQ(rows[2].artikelid, 4);
    EXPECT_EQ(rows[3].artikelid, 1);

    EXPECT_EQ(a.row(1)->artikelbezeichnung, QStringLiteral("Schnitzel Wiener Art mit Pomme"));
    EXPECT_EQ(a.row(1)->artikelbezeichnung.size(), 30);
    EXPECT_EQ(a.row(2)->artikelbezeichnung, QStringLiteral("Eingabe Artikelbezeichnung"));
    EXPECT_EQ(a.row(2)->warengruppe, QStringLiteral("Getränke"));
    EXPECT_EQ(a.row(3)->warengruppe, QString());
    EXPECT_EQ(a.row(3)->idmwstsatzih, 3);
    EXPECT_EQ(a.row(3)->mwstsatzih, 0.0);
    EXPECT_EQ(a.row(3)->idmwstsatzah, 7);
    EXPECT_EQ(a.row(3)->mwstsatzah, 0.0);
    EXPECT_EQ(a.row(1)->mwstsatzih, 7.0);
    EXPECT_EQ(a.row(4)->mwstsatzah, 7.0);
    for (const auto& r : rows)
        EXPECT_EQ(r.ausgewaehlt, 0);
    EXPECT_FALSE(dm.trcKovantel.Active());

    // The lookup lists offer the slots that exist, by their rates.
    ASSERT_EQ(dm.dsoVatRares.rowCount(), 4);
    QStringList offered;
    for (int i = 0; i < 4; ++i)
        offered << dm.dsoVatRares.index(i).data().toString() + QLatin1Char('=') +
                       dm.dsoVatRares.index(i).data(data::TVatRatesListSource::KeyRole).toString();
    EXPECT_EQ(offered.join(QLatin1Char(' ')), QStringLiteral("19,00 %=0 7,00 %=1 0,00 %=2 5,50 %=4"));
    EXPECT_EQ(dm.vdseVatRates.imhaus(), 1);
    EXPECT_EQ(dm.vdseVatRates.ausserhaus(), 2);
}

TEST(ArticleList, SelectingFindsTheArticleByKeyAndIgnoresUnknownKeys)
{
    Articles a;
    for (int id = 1; id <= 5; ++id)
        a.host.addArtikel(id, QStringLiteral("Artikel %1").arg(id), 1, 1, 2);
    TMainDM& dm = a.open();
    dm.SelectArticle(4);
    dm.SelectArticle(2);
    dm.SelectArticle(99);
    dm.SelectArticle(4);
    EXPECT_EQ(dm.vdseArticles.SelectedCount(), 2u);
    dm.vdseArticles.SetFilter(1);
    EXPECT_EQ(dm.vdseArticles.RecordCount(), 2u);
    dm.vdseArticles.SetFilter(0);
    EXPECT_EQ(dm.vdseArticles.RecordCount(), 3u);
    dm.vdseArticles.ClearFilter();
    dm.UnselectArticle(4);
    dm.UnselectArticle(99);
    EXPECT_EQ(a.row(4)->ausgewaehlt, 0);
    EXPECT_EQ(a.row(2)->ausgewaehlt, 1);
}

TEST(ArticleList, EveryEntryStartsFromSlotsOneAndTwo)
{
    Articles a;
    a.host.addArtikel(1, QStringLiteral("Pils 0,5"), 2, 1, 2);
    TMainDM& dm = a.open();
    dm.dsoNewVatRates.SetValue(QStringLiteral("imHaus"), 0);
    dm.dsoNewVatRates.SetValue(QStringLiteral("AUSSERHAUS"), 4);
    dm.SelectArticle(1);
    ASSERT_TRUE(dm.SaveArticleVatRates());
    // The choice is kept after a save ...
    EXPECT_EQ(dm.vdseVatRates.imhaus(), 0);
    EXPECT_EQ(dm.vdseVatRates.ausserhaus(), 4);
    // ... and forgotten when the page is left.
    dm.CloseArticleData();
    EXPECT_FALSE(dm.vdseArticles.Active());
    EXPECT_EQ(dm.dsoVatRares.rowCount(), 0);
    dm.OpenArticleData();
    EXPECT_EQ(dm.vdseVatRates.imhaus(), 1);
    EXPECT_EQ(dm.vdseVatRates.ausserhaus(), 2);
    EXPECT_EQ(a.row(1)->ausgewaehlt, 0);
}

class ArticleSave : public testing::TestWithParam<ProtocolForm>
{
};

TEST_P(ArticleSave, WritesEachChangedArticleWithItsEntry)
{
    Articles a(GetParam());
    a.host.addArtikel(1, QStringLiteral("Pils 0,5"), 2, 1, 2);    // in-house changes only
    a.host.addArtikel(2, QStringLiteral("Käsespätzle"), 1, 1, 1); // both change
    a.host.addArtikel(3, QStringLiteral("Cola"), 2, 0, 2);        // already the pair
    a.host.addArtikel(4, QStringLiteral("Wasser"), 2, 1, 1);      // not selected
    a.host.addArtikel(5, QStringLiteral("Mineralwasser mit Kohlensäure 0,75 l"), 2, 1, 2); // long name
    TMainDM& dm = a.open();
    dm.dsoNewVatRates.SetValue(QStringLiteral("imhaus"), 0);
    for (int id : {1, 2, 3, 5})
        dm.SelectArticle(id);

    ASSERT_TRUE(dm.SaveArticleVatRates());
    EXPECT_TRUE(dm.ArticleFailures().empty());
    EXPECT_FALSE(dm.trcKovantel.Active());

    EXPECT_EQ(a.pairOf(1), QStringLiteral("0/2"));
    EXPECT_EQ(a.pairOf(2), QStringLiteral("0/2"));
    EXPECT_EQ(a.pairOf(3), QStringLiteral("0/2"));
    EXPECT_EQ(a.pairOf(4), QStringLiteral("1/1"));
    EXPECT_EQ(a.host.protocolCount(), 3) << "the article already on the pair is not logged";
    EXPECT_EQ(a.entries(QStringLiteral("Cola")), 0);

    EXPECT_EQ(a.host.rawBytes(QStringLiteral("vorgangsprotokoll"), QStringLiteral("vorgang"),
                              QStringLiteral("vorgang starting with 'Artikel VK \"Pils'")),
              cp1252("Artikel VK \"Pils 0,5\" geändert\r\nMwst Satz im Haus:     7,00 %--->    19,00 %"));
    EXPECT_EQ(a.host.rawBytes(QStringLiteral("vorgangsprotokoll"), QStringLiteral("vorgang"),
                              QStringLiteral("vorgang starting with 'Artikel VK \"K'")),
              cp1252("Artikel VK \"Käsespätzle\" geändert\r\nMwst Satz im Haus:     7,00 %--->    19,00 %"
                     "\r\nMwst Satz außer Haus:     7,00 %--->     0,00 %"));
    EXPECT_EQ(a.entries(QStringLiteral("Mineralwasser mit Kohlensäure ")), 1)
        << "the name as the list cut it";

    const bool v8 = GetParam() == ProtocolForm::V8;
    const auto meta = a.host.rows(
        v8 ? QStringLiteral(
                 "select distinct kassenid, kategorie, kellnerid, kellner, vorgangsnr, signaturtyp "
                 "from vorgangsprotokoll")
           : QStringLiteral("select distinct kassenid, kategorie, kellner from vorgangsprotokoll"));
    ASSERT_EQ(meta.size(), 1u);
    EXPECT_EQ(meta.front().join(QLatin1Char('|')),
              v8 ? QStringLiteral("1|9|0||0|0") : QStringLiteral("1|9|"));

    // Reloaded: new rates, nothing selected.
    EXPECT_EQ(a.row(1)->mwstsatzih, 19.0);
    EXPECT_EQ(dm.vdseArticles.SelectedCount(), 0u);
}

TEST_P(ArticleSave, NothingSelectedWritesNothing)
{
    Articles a(GetParam());
    a.host.addArtikel(1, QStringLiteral("Pils 0,5"), 2, 1, 2);
    TMainDM& dm = a.open();
    a.host.exec(QStringLiteral("update artikel set mwstsatzih = 4"));
    ASSERT_TRUE(dm.SaveArticleVatRates());
    EXPECT_EQ(a.host.protocolCount(), 0);
    EXPECT_EQ(a.row(1)->idmwstsatzih, 4) << "the list is read again";
}

INSTANTIATE_TEST_SUITE_P(BothProtocolForms, ArticleSave, testing::Values(ProtocolForm::V8, ProtocolForm::V7));

TEST(ArticleSaveRates, MissingSlotsAndSlotsOutsideTheFivePrintAsZero)
{
    Articles a;
    a.host.addArtikel(1, QStringLiteral("Brezel"), 1, 7, 3);
    a.host.addArtikel(2, QStringLiteral("Laugenstange"), 1, -1, 2);
    TMainDM& dm = a.open();
    dm.VatRates[3].Exists = false; // as after a load that did not find the slot
    dm.dsoNewVatRates.SetValue(QStringLiteral("imhaus"), 0);
    dm.SelectArticle(1);
    dm.SelectArticle(2);
    ASSERT_TRUE(dm.SaveArticleVatRates());
    EXPECT_EQ(a.host.rawBytes(QStringLiteral("vorgangsprotokoll"), QStringLiteral("vorgang"),
                              QStringLiteral("vorgang starting with 'Artikel VK \"Brezel'")),
              cp1252("Artikel VK \"Brezel\" geändert\r\nMwst Satz im Haus:     0,00 %--->    19,00 %\r\n"
                     "Mwst Satz außer Haus:     0,00 %--->     0,00 %"));
    EXPECT_EQ(a.entries(QStringLiteral("Laugenstange")), 1);
    EXPECT_EQ(a.pairOf(2), QStringLiteral("0/2"));
}

// Each of these articles fails for its own reason while the others around it are written:
// none is reported as written, none is half written, and each stays selected for another try.
TEST(ArticleSaveFailures, OnlyTheFailedArticleIsLeftAndItStaysSelected)
{
    Articles a;
    a.host.exec(QStringLiteral("create table protokoll_sperre (name varchar(40))"));
    a.host.exec(QStringLiteral("create exception protokoll_gesperrt 'Protokolleintrag abgelehnt'"));
    a.host.exec(QStringLiteral(
        "create trigger vorgang_pruefen for vorgangsprotokoll before insert as begin "
        "if (exists(select 1 from protokoll_sperre s where new.vorgang containing s.name)) then "
        "exception protokoll_gesperrt; end"));
    a.host.exec(QStringLiteral("insert into protokoll_sperre (name) values ('Abgelehnt')"));
    a.host.addArtikel(1, QStringLiteral("Apfelsaft"), 2, 1, 2);
    a.host.addArtikel(2, QStringLiteral("Abgelehnt"), 2, 1, 2);     // its entry is refused
    a.host.addArtikel(3, QStringLiteral("Bier gesperrt"), 2, 1, 2); // another till holds its row
    a.host.addArtikel(4, QStringLiteral("Cola gelöscht"), 2, 1, 2); // deleted since the list was read
    a.host.addArtikel(5, QStringLiteral("Dunkles"), 2, 1, 2);
    TMainDM& dm = a.open();
    dm.dsoNewVatRates.SetValue(QStringLiteral("imhaus"), 0);
    for (int id = 1; id <= 5; ++id)
        dm.SelectArticle(id);
    a.host.exec(QStringLiteral("delete from artikel where artikelid = 4"));
    OtherConnection till(a.host);
    till.lockArticle(3);

    EXPECT_FALSE(dm.SaveArticleVatRates());
    EXPECT_FALSE(dm.trcKovantel.Active());

    EXPECT_EQ(a.pairOf(1), QStringLiteral("0/2"));
    EXPECT_EQ(a.pairOf(5), QStringLiteral("0/2"));
    EXPECT_EQ(a.entries(QStringLiteral("Apfelsaft")), 1);
    EXPECT_EQ(a.entries(QStringLiteral("Dunkles")), 1);
    EXPECT_EQ(a.pairOf(2), QStringLiteral("1/2")) << "the refused entry takes its update back";
    EXPECT_EQ(a.entries(QStringLiteral("Abgelehnt")), 0);
    EXPECT_EQ(a.entries(QStringLiteral("Cola gelöscht")), 0) << "nothing recorded for a vanished article";
    EXPECT_EQ(a.host.protocolCount(), 2);

    const auto& failures = dm.ArticleFailures();
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_EQ(failures[0].artikelid, 2);
    EXPECT_FALSE(failures[0].reason.lockConflict);
    EXPECT_TRUE(failures[0].reason.message.contains(QStringLiteral("Protokolleintrag abgelehnt")))
        << failures[0].reason.message.toStdString();
    EXPECT_EQ(failures[1].artikelid, 3);
    EXPECT_TRUE(failures[1].reason.lockConflict) << failures[1].reason.message.toStdString();
    EXPECT_EQ(failures[2].artikelid, 4);
    EXPECT_EQ(failures[2].artikelbezeichnung, QStringLiteral("Cola gelöscht"));

    // Written ones are back in the list with their new rate; failed ones stay selected.
    EXPECT_EQ(a.row(1)->ausgewaehlt, 0);
    EXPECT_EQ(a.row(1)->mwstsatzih, 19.0);
    EXPECT_EQ(a.row(2)->ausgewaehlt, 1);
    EXPECT_EQ(a.row(3)->ausgewaehlt, 1);
    EXPECT_EQ(a.row(4), nullptr);
    EXPECT_EQ(dm.vdseArticles.SelectedCount(), 2u);

    // Once the other till is done, the same save writes the rest.
    till.tr.Rollback();
    a.host.exec(QStringLiteral("delete from protokoll_sperre"));
    EXPECT_TRUE(dm.SaveArticleVatRates());
    EXPECT_EQ(a.pairOf(2), QStringLiteral("0/2"));
    EXPECT_EQ(a.pairOf(3), QStringLiteral("0/2"));
    EXPECT_EQ(a.host.protocolCount(), 4);
}

TEST(ArticleSaveFailures, ALostConnectionEndsThePassAndReportsEveryArticleLeft)
{
    Articles a;
    for (int id = 1; id <= 3; ++id)
        a.host.addArtikel(id, QStringLiteral("Artikel %1").arg(id), 2, 1, 2);
    TMainDM& dm = a.open();
    dm.dsoNewVatRates.SetValue(QStringLiteral("imhaus"), 0);
    for (int id = 1; id <= 3; ++id)
        dm.SelectArticle(id);
    dm.dbKovantel.Close();
    EXPECT_FALSE(dm.SaveArticleVatRates());
    EXPECT_EQ(dm.ArticleFailures().size(), 3u);
    EXPECT_EQ(a.host.protocolCount(), 0);
    EXPECT_EQ(a.pairOf(1), QStringLiteral("1/2"));
}
