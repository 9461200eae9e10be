#include "HostDb.h"
#include "data/MainData.h"
#include "fb/FbError.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using data::TMainDM;
using testsupport::HostDb;
using testsupport::ProtocolForm;

namespace {

// A data module connected straight to a fresh host database, as the open sequence leaves it.
struct ConnectedModule
{
    ConnectedModule(ProtocolForm form, std::int32_t version, std::int16_t kassenId) : host(form)
    {
        data::TProcessInfo info;
        info.ProgramFolder = folder.path() + QLatin1Char('/');
        dm = std::make_unique<TMainDM>(nullptr, info);
        dm->dbKovantel.DBName = host.connectionString();
        dm->dbKovantel.Open();
        dm->DatabaseVersion = version;
        dm->KassenID = kassenId;
    }

    HostDb host;
    QTemporaryDir folder;
    std::unique_ptr<TMainDM> dm;
};

// Every column of the single protocol row; NULL shows as "<null>" so that an empty name
// and a missing one stay apart.
QStringList onlyProtocolRow(HostDb& host, bool versionEightColumns)
{
    const QString sql =
        versionEightColumns
            ? QStringLiteral(
                  "select coalesce(kellnerid, '<null>'), coalesce(kellner, '<null>'), "
                  "coalesce(kassenid, '<null>'), coalesce(kategorie, '<null>'), "
                  "coalesce(vorgangsnr, '<null>'), coalesce(signaturtyp, '<null>') from vorgangsprotokoll")
            : QStringLiteral("select coalesce(kellner, '<null>'), coalesce(kassenid, '<null>'), "
                             "coalesce(kategorie, '<null>') from vorgangsprotokoll");
    const auto rows = host.rows(sql);
    EXPECT_EQ(rows.size(), 1u);
    return rows.empty() ? QStringList() : rows.front();
}

struct FormCase
{
    const char* name;
    ProtocolForm form;
    std::int32_t version;
    std::int16_t kassenId;
    std::int32_t category;
    QStringList expected; // columns as onlyProtocolRow reads them
};

void PrintTo(const FormCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProtocolEntry : public testing::TestWithParam<FormCase>
{
};

// The version-8 table has columns the older form lacks, so an insert of the wrong form is
// refused there; the four-column table shows that versions other than 8 use the short form.
TEST_P(ProtocolEntry, IsWrittenInTheFormOfTheDatabaseVersion)
{
    const FormCase& c = GetParam();
    ConnectedModule m(c.form, c.version, c.kassenId);

    m.dm->WriteProtocol(m.dm->Mitarbeiter, QStringLiteral("Eintrag"), c.category);

    EXPECT_FALSE(m.dm->trcKovantel.Active());
    EXPECT_EQ(onlyProtocolRow(m.host, c.form == ProtocolForm::V8), c.expected);
    EXPECT_EQ(m.host.scalar(QStringLiteral("select vorgang from vorgangsprotokoll")),
              QStringLiteral("Eintrag"));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ProtocolEntry,
    testing::Values(
        FormCase{"Version8", ProtocolForm::V8, 8, 3, 6, {"0", "", "3", "6", "0", "0"}},
        FormCase{"Version8NegativeRegister", ProtocolForm::V8, 8, -2, 9, {"0", "", "-2", "9", "0", "0"}},
        FormCase{"Version7", ProtocolForm::V7, 7, 0, 6, {"", "0", "6"}},
        FormCase{"Version9", ProtocolForm::V7, 9, 4, 9, {"", "4", "9"}},
        FormCase{"Version6", ProtocolForm::V7, 6, 0, 9, {"", "0", "9"}}),
    [](const testing::TestParamInfo<FormCase>& info) { return std::string(info.param.name); });

class ProtocolWriter : public testing::TestWithParam<ProtocolForm>
{
protected:
    std::int32_t version() const { return GetParam() == ProtocolForm::V8 ? 8 : 7; }
};

TEST_P(ProtocolWriter, StoresTheTextByteForByteInWindows1252)
{
    ConnectedModule m(GetParam(), version(), 1);

    m.dm->WriteProtocol(
        m.dm->Mitarbeiter,
        QStringLiteral("Änderung Mwst Sätze\r\nÄnderung Mwst Satz 1:     7,00 %--->     5,00 %"), 6);

    EXPECT_EQ(m.host.rawBytes(QStringLiteral("vorgangsprotokoll"), QStringLiteral("vorgang")),
              QByteArray("\xC4nderung Mwst S\xE4tze\r\n\xC4nderung Mwst Satz 1:     7,00 %--->     5,00 %"));
}

TEST_P(ProtocolWriter, RefusedInsertLeavesNoRowNoTransactionAndPassesTheError)
{
    ConnectedModule m(GetParam(), version(), 1);
    const QString tooLong(2001, QLatin1Char('x'));

    EXPECT_THROW(m.dm->WriteProtocol(m.dm->Mitarbeiter, tooLong, 6), fb::FbError);

    EXPECT_FALSE(m.dm->trcKovantel.Active());
    EXPECT_EQ(m.host.protocolCount(), 0);
    // The text is not cut to fit: exactly the column's length still goes in.
    m.dm->WriteProtocol(m.dm->Mitarbeiter, QString(2000, QLatin1Char('x')), 6);
    EXPECT_EQ(m.host.protocolCount(), 1);
}

// A caller's pending change and its entry become final together, or not at all.
TEST_P(ProtocolWriter, JoinsAnActiveTransactionAndCommitsOrRollsBackBoth)
{
    ConnectedModule m(GetParam(), version(), 1);
    m.host.setRate(1, 7.0);
    auto pendingRateChange = [&m](double rate) {
        m.dm->trcKovantel.StartTransaction();
        m.dm->qrySetVatRate.ParamByName(QStringLiteral("Schluessel"))
            .setAsString(QStringLiteral("MwstSatz1"));
        m.dm->qrySetVatRate.ParamByName(QStringLiteral("NumWert")).setAsFloat(rate);
        m.dm->qrySetVatRate.ExecQuery();
    };
    const QString rate1 = QStringLiteral("select numwert from einstellungen where schluessel = 'MwstSatz1'");

    pendingRateChange(5.0);
    m.dm->WriteProtocol(m.dm->Mitarbeiter, QStringLiteral("Satz 1"), 6);
    EXPECT_FALSE(m.dm->trcKovantel.Active());
    EXPECT_EQ(m.host.scalar(rate1), QStringLiteral("5"));
    EXPECT_EQ(m.host.protocolCount(), 1);

    pendingRateChange(4.0);
    EXPECT_THROW(m.dm->WriteProtocol(m.dm->Mitarbeiter, QString(2001, QLatin1Char('x')), 6), fb::FbError);
    EXPECT_FALSE(m.dm->trcKovantel.Active());
    EXPECT_EQ(m.host.scalar(rate1), QStringLiteral("5"));
    EXPECT_EQ(m.host.protocolCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Forms, ProtocolWriter, testing::Values(ProtocolForm::V8, ProtocolForm::V7),
                         testing::PrintToStringParamName());

} // namespace
