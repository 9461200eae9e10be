// Another till holds row locks while the tool saves: a general save is all or nothing, an
// article save writes what is free and hands back what is held.

#include "HostDb.h"
#include "data/MainData.h"
#include "fb/FbDatabase.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <set>

using data::TMainDM;
using data::TVatRateSlot;
using data::TVatRateSlots;
using testsupport::HostDb;

namespace {

// A till that changed rows and has not committed yet: its row locks stay until it goes.
struct OtherTill
{
    explicit OtherTill(const HostDb& host)
    {
        db.DBName = host.connectionString();
        db.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove")};
        db.Open();
        tr.StartTransaction();
    }
    ~OtherTill()
    {
        if (tr.Active())
            tr.Rollback();
        db.Close();
    }
    // Only the statement text comes from the test; the row is chosen by a parameter.
    void hold(const QString& sql, const QVariant& key)
    {
        fb::FbQuery q(&db, &tr, sql);
        if (key.typeId() == QMetaType::Int)
            q.ParamByName(QStringLiteral("k")).setAsInteger(key.toInt());
        else
            q.ParamByName(QStringLiteral("k")).setAsString(key.toString());
        q.ExecQuery();
    }

    fb::FbDatabase db;
    fb::FbTransaction tr{&db};
};

// The usual installation and a data module connected the way the open sequence leaves it.
struct Installation
{
    Installation()
    {
        host.fillStandard();
        data::TProcessInfo info;
        info.ProgramFolder = folder.path() + QLatin1Char('/');
        dm = std::make_unique<TMainDM>(nullptr, info);
        dm->dbKovantel.DBName = host.connectionString();
        dm->dbKovantel.Open();
        dm->DatabaseVersion = 8;
        dm->KassenID = 1;
    }
    QStringList column(const QString& sql)
    {
        QStringList out;
        for (const QStringList& row : host.rows(sql))
            out << row.join(QLatin1Char('/'));
        return out;
    }

    HostDb host;
    QTemporaryDir folder;
    std::unique_ptr<TMainDM> dm;
};

TVatRateSlots existing(std::initializer_list<float> rates)
{
    TVatRateSlots s;
    std::size_t n = 0;
    for (float r : rates)
        s[n++] = TVatRateSlot{true, r};
    return s;
}

struct GeneralLockCase
{
    const char* name;
    const char* sql; // the other till's update, of the row named by :k
    QVariant key;

    friend void PrintTo(const GeneralLockCase& c, std::ostream* os) { *os << c.name; }
};

class GeneralSaveLocked : public testing::TestWithParam<GeneralLockCase>
{
};

// Slots 0 and 1 change; slot 0 has the accounts 1 and 2, slot 1 the accounts 3 and 4. Each
// held row is reached after other rows of the same save were already written.
TEST_P(GeneralSaveLocked, WritesNothingAndSaysItWasALock)
{
    const GeneralLockCase& c = GetParam();
    Installation inst;
    inst.host.addKonto(1, QStringLiteral("Bier"), 19);
    inst.host.addKonto(2, QStringLiteral("Wein"), 19);
    inst.host.addKonto(3, QStringLiteral("Speisen"), 7);
    inst.host.addKonto(4, QStringLiteral("Kaffee"), 7);
    const TVatRateSlots loaded = inst.dm->LoadVatRates();
    const QStringList slotsBefore =
        inst.column(QStringLiteral("select schluessel, numwert from einstellungen "
                                   "where schluessel starting with 'Mwst' order by 1"));

    OtherTill till(inst.host);
    till.hold(QString::fromLatin1(c.sql), c.key);
    EXPECT_FALSE(inst.dm->SaveGeneralVatRates(existing({16, 5, 0, 10.7f, 5.5f})));
    EXPECT_TRUE(inst.dm->LastFailure().lockConflict) << inst.dm->LastError().toStdString();
    EXPECT_FALSE(inst.dm->trcKovantel.Active());
    for (std::size_t n = 0; n < 5; ++n)
        EXPECT_EQ(inst.dm->VatRates[n].Rate, loaded[n].Rate) << "slot " << n;
    till.tr.Rollback();

    EXPECT_EQ(inst.column(QStringLiteral("select schluessel, numwert from einstellungen "
                                         "where schluessel starting with 'Mwst' order by 1")),
              slotsBefore);
    EXPECT_EQ(inst.column(QStringLiteral("select steuersatz from kassenbuchkonten order by kontonr")),
              QStringList({"19", "19", "7", "7"}));
    EXPECT_EQ(inst.host.protocolCount(), 0);

    // Nothing of the failed attempt is left behind: once the till is done, it goes through.
    ASSERT_TRUE(inst.dm->SaveGeneralVatRates(existing({16, 5, 0, 10.7f, 5.5f})))
        << inst.dm->LastError().toStdString();
    EXPECT_EQ(inst.column(QStringLiteral("select steuersatz from kassenbuchkonten order by kontonr")),
              QStringList({"16", "16", "5", "5"}));
    EXPECT_EQ(inst.host.protocolCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GeneralSaveLocked,
    testing::Values(
        GeneralLockCase{"FirstSlotRow", "update einstellungen set varwert = 'x' where schluessel = :k",
                        QStringLiteral("MwstSatz0")},
        GeneralLockCase{"LastSlotRow", "update einstellungen set numwert = numwert where schluessel = :k",
                        QStringLiteral("MwstSatz1")},
        GeneralLockCase{"FirstAccount",
                        "update kassenbuchkonten set steuersatz = steuersatz where kontonr = :k", 1},
        GeneralLockCase{"LastAccount", "update kassenbuchkonten set kontonr = kontonr where kontonr = :k",
                        4}),
    [](const auto& info) { return std::string(info.param.name); });

// Ten articles in pass order; the other till holds the first, two in the middle and the last.
TEST(ArticleSaveLocked, WritesTheFreeOnesAndHandsBackTheHeldOnes)
{
    Installation inst;
    inst.host.addWarengruppe(1, QStringLiteral("Getränke"));
    for (int id = 1; id <= 10; ++id)
        inst.host.addArtikel(id, QStringLiteral("Artikel %1").arg(id, 2, 10, QLatin1Char('0')), 1, 1, 1);
    TMainDM& dm = *inst.dm;
    dm.LoadVatRates();
    dm.OpenArticleData();
    ASSERT_EQ(dm.vdseArticles.Rows().front().artikelid, 1);
    ASSERT_EQ(dm.vdseArticles.Rows().back().artikelid, 10);
    dm.dsoNewVatRates.SetValue(QStringLiteral("imhaus"), 0);
    for (int id = 1; id <= 10; ++id)
        dm.SelectArticle(id);

    const std::set<int> held = {1, 4, 5, 10};
    OtherTill till(inst.host);
    for (int id : held)
        till.hold(QStringLiteral("update artikel set preis = 1 where artikelid = :k"), id);

    EXPECT_FALSE(dm.SaveArticleVatRates());
    EXPECT_FALSE(dm.trcKovantel.Active());

    std::set<int> failed;
    for (const auto& f : dm.ArticleFailures()) {
        failed.insert(f.artikelid);
        EXPECT_TRUE(f.reason.lockConflict) << f.artikelid << ": " << f.reason.message.toStdString();
    }
    EXPECT_EQ(failed, held);
    EXPECT_EQ(dm.ArticleFailures().size(), held.size());
    till.tr.Rollback();

    for (int id = 1; id <= 10; ++id) {
        const bool isHeld = held.count(id) > 0;
        const QString name = QStringLiteral("Artikel %1").arg(id, 2, 10, QLatin1Char('0'));
        EXPECT_EQ(inst.host.scalar(QStringLiteral("select mwstsatzih || '/' || mwstsatzah from artikel "
                                                  "where artikelid = :id"),
                                   {{QStringLiteral("id"), id}}),
                  isHeld ? QStringLiteral("1/1") : QStringLiteral("0/2"))
            << id;
        EXPECT_EQ(inst.host
                      .scalar(QStringLiteral("select count(*) from vorgangsprotokoll where kategorie = 9 "
                                             "and vorgang starting with :h"),
                              {{QStringLiteral("h"), QStringLiteral("Artikel VK \"%1\"").arg(name)}})
                      .toInt(),
                  isHeld ? 0 : 1)
            << id;
        EXPECT_EQ(dm.vdseArticles.Locate(id)->ausgewaehlt, isHeld ? 1 : 0) << id;
    }
    EXPECT_EQ(inst.host.protocolCount(), 6);
}

} // namespace
