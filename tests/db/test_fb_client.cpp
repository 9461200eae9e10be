#include "HostDb.h"
#include "fb/FbClient.h"
#include "fb/FbDatabase.h"
#include "fb/FbError.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"

#include <firebird/Interface.h>
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

namespace {

void setParam(FbParam& p, const QVariant& v)
{
    if (v.isNull())
        p.Clear();
    else if (v.typeId() == QMetaType::Int)
        p.setAsInteger(v.toInt());
    else
        p.setAsString(v.toString());
}

} // namespace

// The article save runs an update and a protocol insert once per article: thousands of
// executions must not describe their parameters anew each time, and each execution must
// report its own row count.
TEST_F(FbClientTest, RepeatedExecutionsKeepOneInputLayoutAndCountTheirOwnRows)
{
    for (int id = 1; id <= 10; ++id)
        host.addArtikel(id, QStringLiteral("Artikel %1").arg(id), QVariant(), 1, 2);
    Connection c(host);
    FbQuery upd(
        &c.db, &c.tr,
        QStringLiteral("update artikel set mwstsatzih = :ih, mwstsatzah = :ah where artikelid = :id"));
    FbQuery ins(
        &c.db, &c.tr,
        QStringLiteral("insert into vorgangsprotokoll (kellnerid, kellner, vorgang, kassenid, kategorie) "
                       "values (:kellnerid, :kellner, :vorgang, :kassenid, :kategorie)"));
    constexpr int Runs = 2000;
    qint64 chars = 0;
    c.tr.StartTransaction();
    for (int n = 0; n < Runs; ++n) {
        const int id = n % 20 + 1; // only 1 to 10 exist
        upd.ParamByName(QStringLiteral("ih")).setAsInteger(n % 4);
        upd.ParamByName(QStringLiteral("ah")).setAsInteger(n % 5);
        upd.ParamByName(QStringLiteral("id")).setAsInteger(id);
        upd.ExecQuery();
        ASSERT_EQ(upd.RowsAffected(), id <= 10 ? 1u : 0u) << "execution " << n;

        // Texts grow and shrink; a short one after a long one must not carry its tail.
        const int length = (n * 37) % 2000 + 1;
        chars += length;
        ins.ParamByName(QStringLiteral("kellnerid")).setAsInteger(n);
        setParam(ins.ParamByName(QStringLiteral("kellner")),
                 n % 7 == 0   ? QVariant()
                 : n % 2 == 0 ? QVariant(QStringLiteral("Anna"))
                              : QVariant(QStringLiteral("Maximilian Müller-Lüdenscheid")));
        ins.ParamByName(QStringLiteral("vorgang")).setAsString(QString(length, QChar(u'ä' + n % 3)));
        ins.ParamByName(QStringLiteral("kassenid")).setAsInteger(1);
        setParam(ins.ParamByName(QStringLiteral("kategorie")), n % 3 == 0 ? QVariant() : QVariant(n % 9));
        ins.ExecQuery();
        ASSERT_EQ(ins.RowsAffected(), 1u);
    }
    c.tr.Commit();
    EXPECT_EQ(upd.inputLayoutBuilds(), 1u);
    EXPECT_EQ(ins.inputLayoutBuilds(), 1u);

    EXPECT_EQ(host.rows(QStringLiteral("select count(*), sum(char_length(vorgang)), count(kellner), "
                                       "count(kategorie) from vorgangsprotokoll")),
              (std::vector<QStringList>{{QString::number(Runs), QString::number(chars),
                                         QString::number(Runs - (Runs + 6) / 7),
                                         QString::number(Runs - (Runs + 2) / 3)}}));
    // Every text arrived whole and alone: one letter repeated, the name that belongs to its row.
    EXPECT_EQ(host.scalar(QStringLiteral(
                  "select count(*) from vorgangsprotokoll where vorgang <> "
                  "rpad('', char_length(vorgang), substring(vorgang from 1 for 1)) "
                  "or kellner <> iif(mod(kellnerid, 2) = 0, 'Anna', 'Maximilian Müller-Lüdenscheid')")),
              QStringLiteral("0"));
    // The rates of each article are those of its last update.
    std::vector<QStringList> rates;
    for (int id = 1; id <= 10; ++id) {
        const int last = Runs - 21 + id;
        rates.push_back({QString::number(id), QString::number(last % 4), QString::number(last % 5)});
    }
    EXPECT_EQ(host.rows(QStringLiteral("select artikelid, mwstsatzih, mwstsatzah from artikel order by 1")),
              rates);
}

TEST_F(FbClientTest, InputLayoutIsBuiltAnewOnlyWhenAValueNoLongerFits)
{
    host.exec(QStringLiteral("create table t (id integer generated by default as identity, n integer, "
                             "v varchar(300))"));
    Connection c(host);
    FbQuery ins(&c.db, &c.tr, QStringLiteral("insert into t (n, v) values (:n, :v)"));
    const QString longest(300, QLatin1Char('x'));
    struct Step
    {
        QVariant n, v;
        unsigned builds; // layouts after the step
        bool refused;
    };
    const Step steps[] = {
        {1, QStringLiteral("kurz"), 1, false},
        {QStringLiteral("2"), QStringLiteral("kurz"), 2, false}, // text where a number went
        {3, QStringLiteral("kurz"), 3, false},                   // and back
        {QVariant(), QVariant(), 3, false},                      // NULL fits any layout
        {4, longest, 3, false},                                  // the column's length was kept
        {5, longest + QLatin1Char('x'), 4, true},                // more room; the server refuses
        {6, QStringLiteral("wieder kurz"), 4, false},
    };
    c.tr.StartTransaction();
    for (const Step& s : steps) {
        setParam(ins.ParamByName(QStringLiteral("n")), s.n);
        setParam(ins.ParamByName(QStringLiteral("v")), s.v);
        if (s.refused) {
            EXPECT_THROW(ins.ExecQuery(), FbError);
            EXPECT_EQ(ins.RowsAffected(), 0u);
        } else {
            ins.ExecQuery();
            EXPECT_EQ(ins.RowsAffected(), 1u);
        }
        EXPECT_EQ(ins.inputLayoutBuilds(), s.builds) << "n " << s.n.toString().toStdString();
    }
    // A new text is a new prepare and a new layout.
    ins.setSQL(ins.SQL());
    setParam(ins.ParamByName(QStringLiteral("n")), 7);
    ins.ExecQuery();
    EXPECT_EQ(ins.inputLayoutBuilds(), 5u);
    c.tr.Commit();

    EXPECT_EQ(
        host.rows(QStringLiteral("select coalesce(n, -1), coalesce(char_length(v), -1) from t order by id")),
        (std::vector<QStringList>{{QStringLiteral("1"), QStringLiteral("4")},
                                  {QStringLiteral("2"), QStringLiteral("4")},
                                  {QStringLiteral("3"), QStringLiteral("4")},
                                  {QStringLiteral("-1"), QStringLiteral("-1")},
                                  {QStringLiteral("4"), QStringLiteral("300")},
                                  {QStringLiteral("6"), QStringLiteral("11")},
                                  {QStringLiteral("7"), QStringLiteral("11")}}));
}

TEST(FbErrorTest, ConnectionLossIsToldByCodeAlone)
{
    struct Case
    {
        std::vector<std::intptr_t> codes;
        bool lost;
    };
    const Case cases[] = {
        {{isc_att_shutdown}, true}, // ended through mon$attachments
        {{isc_network_error, isc_net_read_err}, true},
        {{isc_network_error, isc_net_write_err}, true},
        {{isc_lost_db_connection}, true},
        {{isc_shutdown}, true},
        {{isc_deadlock, isc_update_conflict, isc_concurrent_transaction}, false},
        {{isc_dsql_error, isc_sqlerr}, false},
        {{isc_string_truncation}, false},
        {{}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FbError(QStringLiteral("x"), c.codes).isConnectionLost(), c.lost) << c.codes.size();
    // The words of a message say nothing.
    EXPECT_FALSE(FbError(QStringLiteral("connection lost to database")).isConnectionLost());
}

TEST_F(FbClientTest, AttachmentEndedFromElsewhereIsToldAsConnectionLost)
{
    Connection victim(host);
    Connection other(host);
    FbDataSet me(&victim.db, &victim.tr, QStringLiteral("select current_connection as id from rdb$database"));
    victim.tr.StartTransaction();
    me.Open();
    const std::int64_t id = me.FieldByName(QStringLiteral("id")).AsInt64();
    me.Close();

    FbQuery end(&other.db, &other.tr,
                QStringLiteral("delete from mon$attachments where mon$attachment_id = :id"));
    end.ParamByName(QStringLiteral("id")).setAsInt64(id);
    other.tr.StartTransaction();
    end.ExecQuery();
    EXPECT_EQ(end.RowsAffected(), 1u);
    other.tr.Commit();

    auto codes = [](const FbError& e) {
        std::string s;
        for (std::intptr_t code : e.errorCodes())
            s += " " + std::to_string(code);
        return s;
    };
    // A dataset opened before, whose cursor close is still on its way to the server, and a
    // statement never run before.
    FbQuery never(&victim.db, &victim.tr, QStringLiteral("update kassen set bezeichnung = 'x'"));
    for (FbStatementBase* s : std::initializer_list<FbStatementBase*>{&me, &never}) {
        try {
            if (s == &me)
                me.Open();
            else
                never.ExecQuery();
            ADD_FAILURE() << "ran on the ended attachment: " << s->SQL().toStdString();
        } catch (const FbError& e) {
            EXPECT_TRUE(e.isConnectionLost()) << e.what() << ", codes" << codes(e);
        }
    }
    try {
        victim.tr.Commit();
        FAIL() << "a commit went through on the ended attachment";
    } catch (const FbError& e) {
        EXPECT_TRUE(e.isConnectionLost()) << e.what() << ", codes" << codes(e);
    }
    // Everything held on the dead attachment is let go without raising.
    victim.db.Close();
    EXPECT_FALSE(victim.db.Connected());
    EXPECT_FALSE(victim.tr.Active());

    other.tr.StartTransaction();
    FbDataSet alive(&other.db, &other.tr, QStringLiteral("select 1 as eins from rdb$database"));
    alive.Open();
    EXPECT_EQ(alive.FieldByName(QStringLiteral("eins")).AsInteger(), 1);
    alive.Close();
    other.tr.Commit();
}
