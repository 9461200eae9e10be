#include "HostDb.h"
#include "data/HostStatements.h"
#include "data/MainData.h"
#include "fb/FbClient.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

using data::TMainDM;
using testsupport::HostDb;
using testsupport::ProtocolForm;
using testsupport::TestServers;

namespace {

// A program folder as the host installation lays it out, and the data module of a station
// started from it.
struct Station
{
    explicit Station(QString argument = QStringLiteral("/Kasse1"))
    {
        info.ProgramFolder = folder.path() + QLatin1Char('/');
        info.FirstArgument = std::move(argument);
        info.ComputerName = QStringLiteral("testhost");
    }

    QString programFolder() const { return info.ProgramFolder; }
    void writeIni(const QString& text) const
    {
        testsupport::writeCp1252File(programFolder() + QStringLiteral("Kovantel.ini"), text);
    }
    int open()
    {
        dm = std::make_unique<TMainDM>(nullptr, info);
        return dm->OpenBranchOffice();
    }

    QTemporaryDir folder; // declared first: outlives the data module
    data::TProcessInfo info;
    std::unique_ptr<TMainDM> dm;
};

std::string str(const QString& s)
{
    return s.toStdString();
}

std::string describe(const data::TFiliale& f)
{
    return QStringLiteral("Server=[%1] DatabaseFile=[%2] DataPath=[%3] Extra=[%4]")
        .arg(f.Server, f.DatabaseFile, f.DataPath, f.Extra)
        .toStdString();
}

// --- Outcomes --------------------------------------------------------------------------

struct OutcomeCase
{
    const char* name;
    const char* server;  // test server, by the date it runs on
    const char* version; // varwert of datenbankversion; nullptr: no row
    const char* ddl;     // breaks the host database; nullptr: intact
    int outcome;
    std::int32_t databaseVersion;
    std::int16_t kassenId; // the one register has id 12

    // Failure messages name the case instead of dumping its bytes.
    friend void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }
};

class OpenOutcome : public testing::TestWithParam<OutcomeCase>
{
};

TEST_P(OpenOutcome, FollowsTheHostDatabase)
{
    const OutcomeCase& c = GetParam();
    HostDb host(ProtocolForm::V8, QString::fromLatin1(c.server));
    if (c.version)
        host.setVersion(QString::fromLatin1(c.version));
    host.addKasse(12, QStringLiteral("Kasse1"));
    host.addMitarbeiter(1, QStringLiteral("Jürgen"), QStringLiteral("Müller"), QStringLiteral("jm"));
    if (c.ddl)
        host.exec(QString::fromLatin1(c.ddl));
    Station station;
    host.writeIni(station.folder.path());

    EXPECT_EQ(station.open(), c.outcome);

    const TMainDM& dm = *station.dm;
    EXPECT_TRUE(dm.dbKovantel.Connected());
    EXPECT_EQ(dm.DatabaseVersion, c.databaseVersion);
    EXPECT_EQ(dm.KassenID, c.kassenId);
    EXPECT_FALSE(dm.trcKovantel.Active());
    EXPECT_FALSE(dm.dseDatenbankversion.Active());
    EXPECT_FALSE(dm.dseKassenID.Active());
    EXPECT_FALSE(dm.dseServerDatum.Active());
    // The employee list stays open until the connection closes.
    if (c.outcome != data::ooNotOpened) {
        EXPECT_TRUE(dm.dseMitarbeiter.Active());
    }
}

const char* const Main = "main";
const char* const Before = "d20231231";
const char* const OnTheDay = "d20240101";
const char* const NoRegisterName = "alter table kassen drop bezeichnung";
const char* const NoEmployeeColumn = "alter table mitarbeiter drop mbwawi";

INSTANTIATE_TEST_SUITE_P(
    Table, OpenOutcome,
    testing::Values(
        OutcomeCase{"Version8", Main, "8.60.10.68", nullptr, data::ooReady, 8, 12},
        OutcomeCase{"Version10", Main, "10.1", nullptr, data::ooReady, 10, 12},
        OutcomeCase{"Version6WithoutRegister", Main, "6.0", nullptr, data::ooReady, 6, 0},
        // Below 8 the register table is not read at all, so a broken one does no harm.
        OutcomeCase{"Version7WithoutRegister", Main, "7.2", NoRegisterName, data::ooReady, 7, 0},
        // The major number is cut, never rounded: 7.99 is no version 8.
        OutcomeCase{"Version7Point99", Main, "7.99", NoRegisterName, data::ooReady, 7, 0},
        OutcomeCase{"BeforeChangeDate", Before, "8.60.10.68", nullptr, data::ooReadyBeforeChangeDate, 8, 12},
        OutcomeCase{"Version6BeforeChangeDate", Before, "6.0", nullptr, data::ooReadyBeforeChangeDate, 6, 0},
        OutcomeCase{"OnChangeDate", OnTheDay, "8.60.10.68", nullptr, data::ooReady, 8, 12},
        // Too old: neither the register nor the server date is looked at.
        OutcomeCase{"Version5", Before, "5.9", NoRegisterName, data::ooVersionTooOld, 5, 0},
        OutcomeCase{"VersionWithoutDot", Main, "8", nullptr, data::ooVersionTooOld, 0, 0},
        OutcomeCase{"EmptyVersion", Main, "", nullptr, data::ooVersionTooOld, 0, 0},
        OutcomeCase{"NoVersionRow", Main, nullptr, nullptr, data::ooVersionTooOld, 0, 0},
        OutcomeCase{"VersionNotANumber", Main, "abc.1", nullptr, data::ooVersionTooOld, 0, 0},
        OutcomeCase{"NoSettingsTable", Main, nullptr, "drop table einstellungen", data::ooNotOpened, 0, 0},
        OutcomeCase{"Version5BrokenEmployeeList", Main, "5.9", NoEmployeeColumn, data::ooNotOpened, 5, 0},
        OutcomeCase{"BrokenEmployeeList", Main, "8.60.10.68", NoEmployeeColumn, data::ooNotOpened, 8, 0},
        OutcomeCase{"BrokenRegisterTable", Main, "8.60.10.68", NoRegisterName, data::ooNotOpened, 8, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenSequence, WithoutConfigurationFileNothingIsTried)
{
    Station station;
    EXPECT_EQ(station.open(), data::ooNoConfiguration);
    const TMainDM& dm = *station.dm;
    EXPECT_EQ(describe(dm.Filiale), describe({})) << "the defaults must not even be set";
    EXPECT_FALSE(dm.dbKovantel.Connected());
    EXPECT_TRUE(dm.dbKovantel.DBName.isEmpty());
    EXPECT_FALSE(dm.trcKovantel.Active());
    EXPECT_EQ(dm.DatabaseVersion, 0);
}

// Neither attempt can open a file that is not there, whatever listens on the fixed ports.
TEST(OpenSequence, FailedConnectionGivesNotOpenedAfterTheSecondAttempt)
{
    HostDb host;
    Station station;
    const QString missing = station.programFolder() + QStringLiteral("Daten/fehlt.fdb");
    station.writeIni(QStringLiteral("[Allgemein]\r\nDatenbank=Test\r\n[Filialen]\r\nTest=%1Daten;%2;%3\r\n")
                         .arg(station.programFolder(), host.server(), missing));

    EXPECT_EQ(station.open(), data::ooNotOpened);
    const TMainDM& dm = *station.dm;
    EXPECT_FALSE(dm.dbKovantel.Connected());
    EXPECT_EQ(str(dm.Filiale.Server), "127.0.0.1/5050") << "the rewritten server stays";
    EXPECT_EQ(str(dm.dbKovantel.DBName), "127.0.0.1/5050:" + str(missing));
    EXPECT_EQ(dm.DatabaseVersion, 0);
    EXPECT_FALSE(dm.trcKovantel.Active());
}

// --- Kovantel.ini --------------------------------------------------------------------------

struct IniCase
{
    const char* name;
    const char* text; // %1 is replaced by the branch-office entry

    friend void PrintTo(const IniCase& c, std::ostream* os) { *os << c.name; }
};

class IniEntry : public testing::TestWithParam<IniCase>
{
};

TEST_P(IniEntry, ConnectsOnTheFirstAttempt)
{
    HostDb host;
    host.fillStandard();
    Station station;
    const QString entry =
        QStringLiteral("%1Daten;%2;%3;x;y").arg(station.programFolder(), host.server(), host.path());
    station.writeIni(QString::fromLatin1(GetParam().text).arg(entry));

    EXPECT_EQ(station.open(), data::ooReady);
    const TMainDM& dm = *station.dm;
    EXPECT_TRUE(dm.dbKovantel.Connected());
    EXPECT_EQ(describe(dm.Filiale),
              describe({host.server(), host.path(), station.programFolder() + QStringLiteral("Daten/"),
                        QStringLiteral("x;y")}));
    EXPECT_EQ(str(dm.dbKovantel.DBName), str(host.connectionString()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniEntry,
    testing::Values(IniCase{"NamedEntry",
                            "[Allgemein]\r\nDatenbank=Filiale2\r\n\r\n[Filialen]\r\nKovantel=;;\r\n"
                            "Filiale2=%1\r\n"},
                    IniCase{"NamesWithoutRegardToCase",
                            "[ALLGEMEIN]\r\n  datenbank = filiale2\r\n[filialen]\r\n"
                            "FILIALE2=%1\r\n"},
                    IniCase{"NoDatenbankKey", "[Allgemein]\r\nSprache=de\r\n[Filialen]\r\nkovantel=%1\r\n"},
                    IniCase{"NoAllgemeinSection", "[Filialen]\r\nKovantel=%1\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenSequence, CloseDatabaseEndsTheConnectionAndMayBeRepeated)
{
    HostDb host;
    host.fillStandard();
    Station station;
    host.writeIni(station.folder.path());
    ASSERT_EQ(station.open(), data::ooReady);

    TMainDM& dm = *station.dm;
    dm.CloseDatabase();
    EXPECT_FALSE(dm.dbKovantel.Connected());
    EXPECT_FALSE(dm.dseMitarbeiter.Active());
    dm.CloseDatabase();
    EXPECT_FALSE(dm.dbKovantel.Connected());
}

// --- Register lookup -----------------------------------------------------------------------

struct RegisterCase
{
    const char* name;
    std::vector<std::pair<int, const char*>> registers;
    std::int16_t kassenId;
    const char* argument = "/Kasse1";
    const char* table = nullptr; // the host's own form of the register table; nullptr: the usual

    friend void PrintTo(const RegisterCase& c, std::ostream* os) { *os << c.name; }
};

class RegisterLookup : public testing::TestWithParam<RegisterCase>
{
};

// One register at most, so that the first row is the same whatever order the server
// delivers the union in.
TEST_P(RegisterLookup, KeepsTheLow16BitsOfTheIdAsSigned)
{
    HostDb host;
    host.setVersion(QStringLiteral("8.60.10.68"));
    if (GetParam().table)
        host.exec(QString::fromLatin1(GetParam().table));
    for (const auto& [id, name] : GetParam().registers)
        host.addKasse(id, QString::fromUtf8(name));
    Station station(QString::fromUtf8(GetParam().argument));
    host.writeIni(station.folder.path());

    EXPECT_EQ(station.open(), data::ooReady) << "the lookup does not change the outcome";
    EXPECT_EQ(station.dm->KassenID, GetParam().kassenId);
    EXPECT_FALSE(station.dm->trcKovantel.Active());
}

INSTANTIATE_TEST_SUITE_P(
    Table, RegisterLookup,
    testing::Values(RegisterCase{"Id70000", {{70000, "Kasse1"}}, 4464},
                    RegisterCase{"Id40000", {{40000, "Kasse1"}}, -25536},
                    RegisterCase{"Id65535", {{65535, "Kasse1"}}, -1},
                    RegisterCase{"OtherNameStillCounts", {{7, "Theke"}}, 7},
                    RegisterCase{"EmptyTable", {}, 0}, RegisterCase{"Umlauts", {{7, "Küche"}}, 7, "/Küche"},
                    // Windows gives such names to the program as "?".
                    RegisterCase{"StationNameOutsideWindows1252", {{7, "Kasse 1"}}, 7, "/Kasse Łódź"},
                    // No register can have that name; the server refuses
                    // to compare it instead of finding none.
                    RegisterCase{"StationNameLongerThanTheColumn",
                                 {{7, "Kasse 1"}},
                                 7,
                                 "/Kasse am Tresen",
                                 "recreate table kassen (id integer not null "
                                 "primary key, bezeichnung varchar(8))"}),
    [](const auto& info) { return std::string(info.param.name); });

// With several registers the id comes from whichever row the server hands over first.
TEST(RegisterLookup, TakesTheFirstRowTheServerDelivers)
{
    HostDb host;
    host.setVersion(QStringLiteral("8.60.10.68"));
    host.addKasse(3, QStringLiteral("Kasse1"));
    host.addKasse(7, QStringLiteral("Theke"));
    host.addKasse(9, QStringLiteral("Bar"));
    const auto rows = host.rows(QString::fromUtf8(data::sql::dseKassenID),
                                {{QStringLiteral("bezeichnung"), QStringLiteral("THEKE")}});
    ASSERT_EQ(rows.size(), 2u);
    Station station(QStringLiteral("/THEKE"));
    host.writeIni(station.folder.path());

    EXPECT_EQ(station.open(), data::ooReady);
    EXPECT_EQ(station.dm->KassenID, rows.front().front().toInt());
}

// --- Client library ------------------------------------------------------------------------

// The library is loaded once per process and never unloaded, so the case runs in a freshly
// started copy of this program ("threadsafe" death tests re-execute it).
TEST(OpenSequenceDeathTest, MissingClientLibraryIsAFailedConnection)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int code = 1;
            {
                fb::Client::setLibraryName(QStringLiteral("libdoesnotexist.so"));
                Station station;
                station.writeIni(QStringLiteral("[Allgemein]\r\nDatenbank=Test\r\n"));
                const int outcome = station.open();
                const bool connected = station.dm->dbKovantel.Connected();
                const bool loaded = fb::Client::instance().isLoaded();
                std::fprintf(stderr, "outcome=%d connected=%d loaded=%d\n", outcome, connected, loaded);
                if (outcome == data::ooNotOpened && !connected && !loaded)
                    code = 0;
            }
            std::exit(code);
        },
        testing::ExitedWithCode(0), "outcome=0 connected=0 loaded=0");
}

// --- Port fallback -------------------------------------------------------------------------
//
// These need the fixed ports 5050 and 3050 to themselves. scripts/run-in-netns.sh runs them
// in a private network namespace, once with a single server on 3050 and once with a single
// server on 5050; each case runs in the phase whose server it needs.

struct FallbackCase
{
    const char* name;
    int serverPort;    // the only server listening
    const char* entry; // server piece of the entry; nullptr: no entry at all (the defaults)
    int outcome;
    const char* finalServer;

    friend void PrintTo(const FallbackCase& c, std::ostream* os) { *os << c.name; }
};

class FallbackAttempt : public testing::TestWithParam<FallbackCase>
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("KOVANTEL_TEST_SERVERS"))
            GTEST_SKIP()
                << "cannot run: KOVANTEL_TEST_SERVERS is not set (run through scripts/run-in-netns.sh)";
        if (TestServers::value(QStringLiteral("netns")).isEmpty())
            GTEST_SKIP() << "cannot run: needs the fixed ports 5050 and 3050, which are only surely free in "
                            "the network namespace of scripts/run-in-netns.sh";
        if (TestServers::port() != GetParam().serverPort)
            GTEST_SKIP() << "runs in the phase with the server on port " << GetParam().serverPort
                         << ", this one has it on " << TestServers::port();
    }
};

TEST_P(FallbackAttempt, UsesTheOtherPort)
{
    const FallbackCase& c = GetParam();
    Station station;
    // The database lies where the defaults look for it.
    const QString dataDir = station.programFolder() + QStringLiteral("Daten");
    ASSERT_TRUE(QDir().mkpath(dataDir));
    HostDb host(ProtocolForm::V8, QStringLiteral("main"), TestServers::port(), dataDir,
                QStringLiteral("kovantel.fdb"));
    host.fillStandard();
    host.disconnect();
    ASSERT_EQ(str(host.path()), str(station.programFolder() + QStringLiteral("Daten/kovantel.fdb")));
    if (c.entry)
        host.writeIni(station.folder.path(), QString::fromLatin1(c.entry));
    else
        station.writeIni(QStringLiteral("[Allgemein]\r\nDatenbank=Test\r\n"));

    EXPECT_EQ(station.open(), c.outcome);
    const TMainDM& dm = *station.dm;
    EXPECT_EQ(dm.dbKovantel.Connected(), c.outcome != data::ooNotOpened);
    EXPECT_EQ(str(dm.Filiale.Server), c.finalServer);
    EXPECT_EQ(str(dm.Filiale.DatabaseFile), str(host.path()));
    EXPECT_FALSE(dm.trcKovantel.Active());
}

// Named so that the test names start with "PortFallback", which the main run leaves out.
INSTANTIATE_TEST_SUITE_P(
    PortFallback, FallbackAttempt,
    testing::Values(FallbackCase{"DefaultsTry5050Then3050", 3050, nullptr, data::ooReady, "localhost/3050"},
                    FallbackCase{"DefaultsConnectOn5050", 5050, nullptr, data::ooReady, "localhost/5050"},
                    FallbackCase{"NoPortTries3050First", 3050, "localhost", data::ooReady, "localhost"},
                    FallbackCase{"NoPortThen5050", 5050, "localhost", data::ooReady, "localhost/5050"},
                    FallbackCase{"Port3050Then5050", 5050, "127.0.0.1/3050", data::ooReady, "127.0.0.1/5050"},
                    // Nothing listens on the configured port nor on 5050: no third attempt on 3050.
                    FallbackCase{"NoServerOnEitherAttempt", 3050, "127.0.0.1/4050", data::ooNotOpened,
                                 "127.0.0.1/5050"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
