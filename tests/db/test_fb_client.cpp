#include "HostDb.h"
#include "fb/FbClient.h"
#include "fb/FbDatabase.h"
#include "fb/FbError.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"

#include <gtest/gtest.h>

using namespace fb;
using testsupport::HostDb;

namespace {

struct Connection
{
    explicit Connection(const HostDb& host)
    {
        db.DBName = host.connectionString();
        db.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove"),
                            QStringLiteral("sql_role_name=")};
        db.Open();
    }
    FbDatabase db;
    FbTransaction tr{&db};
};

class FbClientTest : public ::testing::Test
{
protected:
    HostDb host;
};

} // namespace

TEST_F(FbClientTest, TextCrossesAsWindows1252BothWays)
{
    Connection c(host);
    const QString name = QStringLiteral("Glühwein 0,2 l für 3 €");
    FbQuery ins(&c.db, &c.tr, QStringLiteral("insert into warengruppe (id, bezeichnung) values (:id, :b)"));
    ins.ParamByName(QStringLiteral("ID")).setAsInteger(1);
    ins.ParamByName(QStringLiteral("b")).setAsString(name);
    c.tr.StartTransaction();
    ins.ExecQuery();
    c.tr.Commit();
    EXPECT_FALSE(c.tr.Active());

    EXPECT_EQ(host.rawBytes(QStringLiteral("warengruppe"), QStringLiteral("bezeichnung")),
              QByteArray("Gl\xFChwein 0,2 l f\xFCr 3 \x80"));

    FbDataSet ds(&c.db, &c.tr, QStringLiteral("select bezeichnung as Name from warengruppe where id = :id"));
    ds.ParamByName(QStringLiteral("id")).setAsInteger(1);
    c.tr.StartTransaction();
    ds.Open();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("name")).AsString(), name);
    ds.Close();
    c.tr.Commit();
}

TEST_F(FbClientTest, CurrencyRoundTripsExactlyThroughNumericAndDouble)
{
    Connection c(host);
    FbQuery upd(
        &c.db, &c.tr,
        QStringLiteral("update or insert into kassenbuchkonten (kontonr, kontobezeichnung, steuersatz) "
                       "values (1, 'x', :s)"));
    FbQuery set(
        &c.db, &c.tr,
        QStringLiteral("update or insert into einstellungen (schluessel, numwert) values ('k', :numwert)"));
    FbDataSet get(&c.db, &c.tr,
                  QStringLiteral("select e.numwert, k.steuersatz, cast(e.numwert as numeric(15,2)) as n2 "
                                 "from einstellungen e, kassenbuchkonten k"));
    const std::int64_t cases[] = {190000, 70000, 5000, 1, -1, 105050, 123456789012345};
    for (std::int64_t units : cases) {
        c.tr.StartTransaction();
        set.ParamByName(QStringLiteral("NumWert")).setAsCurrency(Currency{units});
        set.ExecQuery();
        upd.ParamByName(QStringLiteral("s")).setAsCurrency(Currency{units});
        upd.ExecQuery();
        get.Open();
        EXPECT_EQ(get.FieldByName(QStringLiteral("numwert")).AsCurrency().value, units);
        EXPECT_EQ(get.FieldByName(QStringLiteral("steuersatz")).AsCurrency().value, units);
        EXPECT_EQ(get.FieldByName(QStringLiteral("N2")).AsCurrency().value, rescale(units, 4, 2) * 100);
        get.Close();
        c.tr.Commit();
    }
}

TEST_F(FbClientTest, ParametersConvertToTheirRealTypeWithRoundingAndOverflow)
{
    Connection c(host);
    host.exec(
        QStringLiteral("create table t (s smallint, n numeric(9,2), d double precision, v varchar(5))"));
    FbQuery ins(&c.db, &c.tr, QStringLiteral("insert into t (s, n, d, v) values (:s, :n, :d, :v)"));
    FbDataSet get(&c.db, &c.tr, QStringLiteral("select s, n, d, v from t"));

    c.tr.StartTransaction();
    ins.ParamByName(QStringLiteral("s")).setAsCurrency(Currency{25000});  // 2.5 rounds away from zero
    ins.ParamByName(QStringLiteral("n")).setAsCurrency(Currency{-12345}); // -1.2345 -> -1.23
    ins.ParamByName(QStringLiteral("d")).setAsInteger(7);
    ins.ParamByName(QStringLiteral("v")).setAsInteger(12);
    ins.ExecQuery();
    get.Open();
    EXPECT_EQ(get.FieldByName(QStringLiteral("s")).AsInteger(), 3);
    EXPECT_EQ(get.FieldByName(QStringLiteral("n")).AsString(), QStringLiteral("-1.23"));
    EXPECT_DOUBLE_EQ(get.FieldByName(QStringLiteral("d")).AsFloat(), 7.0);
    EXPECT_EQ(get.FieldByName(QStringLiteral("v")).AsString(), QStringLiteral("12"));
    get.Close();

    ins.ParamByName(QStringLiteral("s")).setAsInteger(70000);
    EXPECT_THROW(ins.ExecQuery(), FbError);
    ins.ParamByName(QStringLiteral("s")).setAsInteger(1);
    ins.ParamByName(QStringLiteral("v")).setAsString(QStringLiteral("zu lang"));
    try {
        ins.ExecQuery();
        FAIL() << "over-long text accepted";
    } catch (const FbError& e) {
        EXPECT_NE(e.errorCode(), 0);
        EXPECT_FALSE(e.sqlState().isEmpty());
    }
    c.tr.Rollback();
    EXPECT_EQ(host.scalar(QStringLiteral("select count(*) from t")), QStringLiteral("0"));
}

TEST_F(FbClientTest, NamedParametersBindEveryPositionAndIgnoreLiteralsAndComments)
{
    Connection c(host);
    host.addKasse(1, QStringLiteral("Kasse:eins"));
    host.addKasse(2, QStringLiteral("Bar"));
    FbDataSet ds(&c.db, &c.tr,
                 QStringLiteral("select count(*) as n from kassen /* :nicht */ -- :auch nicht\n"
                                "where (bezeichnung = ':x' or lower(bezeichnung) = lower(:Name) or id = :ID "
                                "or bezeichnung = :name);"));
    EXPECT_EQ(ds.ParamCount(), 2);
    EXPECT_THROW(ds.ParamByName(QStringLiteral("nicht")), FbError);
    ds.ParamByName(QStringLiteral("NAME")).setAsString(QStringLiteral("bar"));
    ds.ParamByName(QStringLiteral("id")).setAsInteger(99);
    c.tr.StartTransaction();
    ds.Open();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("N")).AsInteger(), 1);
    ds.Close();
    c.tr.Commit();
}

TEST_F(FbClientTest, NullAndMissingRowsReadAsEmptyOrZero)
{
    Connection c(host);
    host.setRate(0, QVariant());
    FbDataSet ds(&c.db, &c.tr,
                 QStringLiteral("select numwert, varwert, schluessel from einstellungen where "
                                "schluessel = :k"));
    ds.ParamByName(QStringLiteral("k")).setAsString(QStringLiteral("MwstSatz0"));
    c.tr.StartTransaction();
    ds.Open();
    EXPECT_TRUE(ds.FieldByName(QStringLiteral("numwert")).IsNull());
    EXPECT_EQ(ds.FieldByName(QStringLiteral("numwert")).AsCurrency().value, 0);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("varwert")).AsString(), QString());
    ds.Close();
    ds.ParamByName(QStringLiteral("k")).setAsString(QStringLiteral("gibt es nicht"));
    ds.Open();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.FieldByName(QStringLiteral("schluessel")).AsString(), QString());
    EXPECT_EQ(ds.FieldByName(QStringLiteral("numwert")).AsInteger(), 0);
    EXPECT_THROW(ds.FieldByName(QStringLiteral("nope")), FbError);
    ds.Close();
    c.tr.Commit();
}

TEST_F(FbClientTest, ServerDateAndAliasFromStatementEndingInSemicolon)
{
    Connection c(host);
    FbDataSet ds(&c.db, &c.tr, QStringLiteral("select\n  current_date as datum\nfrom\n  rdb$database;"));
    c.tr.StartTransaction();
    ds.Open();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("Datum")).AsDateTime().date(), QDate::currentDate());
    ds.Close();
    c.tr.Commit();
}

TEST_F(FbClientTest, LockConflictIsToldApartByCode)
{
    host.setRate(1, 7.0);
    Connection a(host);
    Connection b(host);
    const QString sql =
        QStringLiteral("update einstellungen set numwert = :v where schluessel = 'MwstSatz1'");
    FbQuery qa(&a.db, &a.tr, sql);
    FbQuery qb(&b.db, &b.tr, sql);
    qa.ParamByName(QStringLiteral("v")).setAsInteger(5);
    qb.ParamByName(QStringLiteral("v")).setAsInteger(6);
    a.tr.StartTransaction();
    qa.ExecQuery();
    b.tr.StartTransaction();
    try {
        qb.ExecQuery();
        FAIL() << "no conflict";
    } catch (const FbError& e) {
        EXPECT_TRUE(e.isLockConflict()) << e.what();
        EXPECT_EQ(e.sqlState(), QStringLiteral("40001"));
    }
    b.tr.Rollback();
    a.tr.Rollback();
}

TEST_F(FbClientTest, FailedConnectAndTransactionWithoutConnection)
{
    FbDatabase db;
    db.DBName = host.server() + QStringLiteral(":/gibt/es/nicht.fdb");
    db.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove")};
    EXPECT_THROW(db.Open(), FbError);
    EXPECT_FALSE(db.Connected());
    FbTransaction tr(&db);
    EXPECT_THROW(tr.StartTransaction(), FbError);
    EXPECT_FALSE(tr.Active());

    db.DBName = host.connectionString();
    db.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=falsch")};
    EXPECT_THROW(db.Open(), FbError);
    EXPECT_FALSE(db.Connected());
}

TEST_F(FbClientTest, CloseWithActiveTransactionAndPreparedStatementsReleasesEverything)
{
    auto c = std::make_unique<Connection>(host);
    FbDataSet ds(&c->db, &c->tr, QStringLiteral("select * from kassen"));
    c->tr.StartTransaction();
    ds.Open();
    c->db.Close();
    EXPECT_FALSE(c->tr.Active());
    EXPECT_FALSE(ds.Active());
    c->db.Close(); // a second close does nothing
}
