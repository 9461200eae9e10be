#include "data/Configuration.h"
#include "data/MainData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using data::TFiliale;

namespace {

// One line per field, so that a failing case names the field that differs.
std::string describe(const TFiliale& f)
{
    return QStringLiteral("Server=[%1]\nDatabaseFile=[%2]\nDataPath=[%3]\nExtra=[%4]")
        .arg(f.Server, f.DatabaseFile, f.DataPath, f.Extra)
        .toStdString();
}

std::string name(const char* text)
{
    return text;
}

// --- Branch-office entry ---------------------------------------------------------------

struct ParseCase
{
    const char* name;
    QChar separator;
    QString entry;
    TFiliale expected; // Server, DatabaseFile, DataPath, Extra

    // Failure messages name the case instead of dumping its bytes.
    friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }
};

const QString WinFolder = QStringLiteral("C:\\KOVANTEL\\");
const QString LinuxFolder = QStringLiteral("/opt/kovantel/");
const QString WinDefaultFile = QStringLiteral("C:\\KOVANTEL\\Daten\\kovantel.fdb");
const QString WinDefaultPath = QStringLiteral("C:\\KOVANTEL\\Daten\\");
const QString LinuxDefaultFile = QStringLiteral("/opt/kovantel/Daten/kovantel.fdb");
const QString LinuxDefaultPath = QStringLiteral("/opt/kovantel/Daten/");
const QString DefaultServer = QStringLiteral("localhost/5050");

class BranchOfficeEntry : public testing::TestWithParam<ParseCase>
{
};

TEST_P(BranchOfficeEntry, ParsesOverTheDefaults)
{
    const ParseCase& c = GetParam();
    const QString folder = c.separator == QLatin1Char('\\') ? WinFolder : LinuxFolder;
    TFiliale f = data::DefaultFiliale(folder, c.separator);
    data::ParseFiliale(c.entry, f, c.separator);
    EXPECT_EQ(describe(f), describe(c.expected));
}

const QChar Win = QLatin1Char('\\');
const QChar Nix = QLatin1Char('/');

INSTANTIATE_TEST_SUITE_P(
    Table, BranchOfficeEntry,
    testing::Values(
        ParseCase{
            "ThreePieces",
            Win,
            QStringLiteral("C:\\K\\Daten;srv;D:\\DB\\K.FDB"),
            {QStringLiteral("srv"), QStringLiteral("D:\\DB\\K.FDB"), QStringLiteral("C:\\K\\Daten\\"), {}}},
        ParseCase{"ExtraKeepsFurtherSeparators",
                  Win,
                  QStringLiteral("C:\\K\\;srv/5050;D:\\DB\\K.FDB;x;y"),
                  {QStringLiteral("srv/5050"), QStringLiteral("D:\\DB\\K.FDB"), QStringLiteral("C:\\K\\"),
                   QStringLiteral("x;y")}},
        ParseCase{"OnlyDataPathIsTaken",
                  Win,
                  QStringLiteral("C:\\K;srv/3050"),
                  {DefaultServer, WinDefaultFile, QStringLiteral("C:\\K\\"), {}}},
        ParseCase{"TrailingSeparatorGivesEmptyExtra",
                  Win,
                  QStringLiteral("C:\\K;srv;D:\\DB\\K.FDB;"),
                  {QStringLiteral("srv"), QStringLiteral("D:\\DB\\K.FDB"), QStringLiteral("C:\\K\\"), {}}},
        ParseCase{"EmptyDataPathIsTheSeparator",
                  Win,
                  QStringLiteral(";srv;D:\\DB\\K.FDB"),
                  {QStringLiteral("srv"), QStringLiteral("D:\\DB\\K.FDB"), QStringLiteral("\\"), {}}},
        ParseCase{"EmptyServer",
                  Win,
                  QStringLiteral("C:\\K;;D:\\DB\\K.FDB"),
                  {QString(), QStringLiteral("D:\\DB\\K.FDB"), QStringLiteral("C:\\K\\"), {}}},
        ParseCase{"EmptyDatabaseFile",
                  Win,
                  QStringLiteral("C:\\K;srv;"),
                  {QStringLiteral("srv"), QString(), QStringLiteral("C:\\K\\"), {}}},
        ParseCase{"BlanksStayInThePieces",
                  Win,
                  QStringLiteral("C:\\K ; srv ; D:\\DB\\K.FDB ; x"),
                  {QStringLiteral(" srv "), QStringLiteral(" D:\\DB\\K.FDB "), QStringLiteral("C:\\K \\"),
                   QStringLiteral(" x")}},
        ParseCase{"LonePathIsIgnored",
                  Win,
                  QStringLiteral("C:\\K\\Daten"),
                  {DefaultServer, WinDefaultFile, WinDefaultPath, {}}},
        ParseCase{"EmptyEntry", Win, QString(), {DefaultServer, WinDefaultFile, WinDefaultPath, {}}},
        ParseCase{"LinuxEntry",
                  Nix,
                  QStringLiteral("/srv/kovantel/Daten;db1/3050;/var/lib/firebird/k.fdb"),
                  {QStringLiteral("db1/3050"),
                   QStringLiteral("/var/lib/firebird/k.fdb"),
                   QStringLiteral("/srv/kovantel/Daten/"),
                   {}}},
        ParseCase{"LinuxDataPathWithSeparator",
                  Nix,
                  QStringLiteral("/srv/k/;localhost;/db/k.fdb;extra"),
                  {QStringLiteral("localhost"), QStringLiteral("/db/k.fdb"), QStringLiteral("/srv/k/"),
                   QStringLiteral("extra")}},
        ParseCase{"LinuxEmptyDataPath",
                  Nix,
                  QStringLiteral(";h;/db/k.fdb"),
                  {QStringLiteral("h"), QStringLiteral("/db/k.fdb"), QStringLiteral("/"), {}}},
        ParseCase{"LinuxOnlyDataPath",
                  Nix,
                  QStringLiteral("/srv/k;h/3050"),
                  {DefaultServer, LinuxDefaultFile, QStringLiteral("/srv/k/"), {}}},
        ParseCase{"LinuxLonePath",
                  Nix,
                  QStringLiteral("/srv/k/Daten"),
                  {DefaultServer, LinuxDefaultFile, LinuxDefaultPath, {}}}),
    [](const auto& info) { return name(info.param.name); });

TEST(DefaultFiliale, LiesInTheProgramFolderWithTheNativeSeparator)
{
    EXPECT_EQ(describe(data::DefaultFiliale(WinFolder, Win)),
              describe({DefaultServer, WinDefaultFile, WinDefaultPath, {}}));
    EXPECT_EQ(describe(data::DefaultFiliale(LinuxFolder, Nix)),
              describe({DefaultServer, LinuxDefaultFile, LinuxDefaultPath, {}}));
}

// --- Second connection attempt -----------------------------------------------------------

struct RewriteCase
{
    const char* name;
    QString first;
    QString second;

    friend void PrintTo(const RewriteCase& c, std::ostream* os) { *os << c.name; }
};

class ServerRewrite : public testing::TestWithParam<RewriteCase>
{
};

TEST_P(ServerRewrite, GivesTheServerOfTheSecondAttempt)
{
    EXPECT_EQ(data::RewriteServer(GetParam().first).toStdString(), GetParam().second.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServerRewrite,
    testing::Values(
        RewriteCase{"Default", QStringLiteral("localhost/5050"), QStringLiteral("localhost/3050")},
        RewriteCase{"NoPort", QStringLiteral("kasse1"), QStringLiteral("kasse1/5050")},
        RewriteCase{"OtherPort", QStringLiteral("srv/3050"), QStringLiteral("srv/5050")},
        // "/15050" does not contain "/5050"; "/50501" does.
        RewriteCase{"PortEndingIn5050", QStringLiteral("srv/15050"), QStringLiteral("srv/5050")},
        RewriteCase{"PortStartingWith5050", QStringLiteral("srv/50501"), QStringLiteral("srv/3050")},
        RewriteCase{"CutAtTheFirstSlash", QStringLiteral("a/b/5050"), QStringLiteral("a/3050")},
        RewriteCase{"SlashWithoutPort", QStringLiteral("srv/"), QStringLiteral("srv/5050")},
        RewriteCase{"Empty", QString(), QStringLiteral("/5050")}),
    [](const auto& info) { return name(info.param.name); });

// --- Kovantel.ini ------------------------------------------------------------------------

struct IniCase
{
    const char* name;
    QByteArray content;
    QString entry;

    friend void PrintTo(const IniCase& c, std::ostream* os) { *os << c.name; }
};

class IniEntry : public testing::TestWithParam<IniCase>
{
};

TEST_P(IniEntry, IsFoundByTheNameInAllgemein)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("Kovantel.ini"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(GetParam().content);
    f.close();
    EXPECT_EQ(data::ReadBranchOfficeEntry(file).toStdString(), GetParam().entry.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniEntry,
    testing::Values(
        IniCase{"NamedEntry",
                "[Allgemein]\r\nDatenbank=Filiale2\r\n[Filialen]\r\nKovantel=a;b;c\r\nFiliale2=d;e;f\r\n",
                QStringLiteral("d;e;f")},
        IniCase{"NamesWithoutRegardToCase",
                "[ALLGEMEIN]\r\ndatenbank=filiale2\r\n[filialen]\r\nFILIALE2=d;e;f\r\n",
                QStringLiteral("d;e;f")},
        IniCase{"NoAllgemeinSection", "[Filialen]\r\nKovantel=a;b;c\r\n", QStringLiteral("a;b;c")},
        IniCase{"NoDatenbankKey", "[Allgemein]\r\nSprache=de\r\n[Filialen]\r\nKovantel=a;b;c\r\n",
                QStringLiteral("a;b;c")},
        IniCase{"EmptyDatenbankValue", "[Allgemein]\r\nDatenbank=\r\n[Filialen]\r\nkovantel=a;b;c\r\n",
                QStringLiteral("a;b;c")},
        IniCase{"NoEntryOfThatName", "[Allgemein]\r\nDatenbank=Filiale9\r\n[Filialen]\r\nKovantel=a;b;c\r\n",
                QString()},
        IniCase{"EmptyFile", "", QString()},
        // Windows-1252 in the file, not UTF-8.
        IniCase{"Windows1252Path",
                "[Filialen]\r\nKovantel=C:\\K\xFC"
                "che;srv;D:\\M\xFC"
                "ller.fdb\r\n",
                QStringLiteral("C:\\Küche;srv;D:\\Müller.fdb")}),
    [](const auto& info) { return name(info.param.name); });

// --- Finding Kovantel.ini -------------------------------------------------------------------

struct FindCase
{
    const char* name;
    QStringList files;
    QStringList directories;
    QString found; // empty: no configuration file

    friend void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }
};

class ConfigurationFile : public testing::TestWithParam<FindCase>
{
};

// Each file names itself in its entry, so the test also sees which file the entry is read
// from.
TEST_P(ConfigurationFile, IsFoundInAnyLetterCase)
{
    const FindCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString& name : c.files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Filialen]\r\nKovantel=" + name.toLatin1() + "\r\n");
    }
    for (const QString& name : c.directories)
        ASSERT_TRUE(QDir(dir.path()).mkdir(name));

    const QString folder = dir.path() + QLatin1Char('/');
    const QString file = data::ConfigurationFileName(folder);
    if (c.found.isEmpty()) {
        EXPECT_EQ(file.toStdString(), "");
        return;
    }
    EXPECT_EQ(file.toStdString(), (folder + c.found).toStdString());
    EXPECT_EQ(data::ReadBranchOfficeEntry(file).toStdString(), c.found.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConfigurationFile,
    testing::Values(
        FindCase{"ExactName", {QStringLiteral("Kovantel.ini")}, {}, QStringLiteral("Kovantel.ini")},
        FindCase{"UpperCase", {QStringLiteral("KOVANTEL.INI")}, {}, QStringLiteral("KOVANTEL.INI")},
        FindCase{"LowerCase", {QStringLiteral("kovantel.ini")}, {}, QStringLiteral("kovantel.ini")},
        FindCase{
            "ExactNameWinsOverOtherSpellings",
            {QStringLiteral("KOVANTEL.INI"), QStringLiteral("Kovantel.ini"), QStringLiteral("kovantel.ini")},
            {},
            QStringLiteral("Kovantel.ini")},
        FindCase{"None", {QStringLiteral("Kovantel.ini.bak"), QStringLiteral("Kovantel.txt")}, {}, QString()},
        FindCase{"DirectoryDoesNotCount", {}, {QStringLiteral("Kovantel.ini")}, QString()},
        FindCase{"FileBesideADirectoryOfTheExactName",
                 {QStringLiteral("KOVANTEL.INI")},
                 {QStringLiteral("Kovantel.ini")},
                 QStringLiteral("KOVANTEL.INI")}),
    [](const auto& info) { return name(info.param.name); });

TEST(ConfigurationFileLookup, MissingProgramFolderHasNone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(data::ConfigurationFileName(dir.filePath(QStringLiteral("gibt-es-nicht/"))).isEmpty());
}

// --- Station name ------------------------------------------------------------------------

struct StationCase
{
    const char* name;
    QString argument;
    QString computer;
    QString user;
    bool remote;
    QString expected;

    friend void PrintTo(const StationCase& c, std::ostream* os) { *os << c.name; }
};

const QString Forty = QStringLiteral("0123456789abcdefghijABCDEFGHIJklmnopqrst");

class StationName : public testing::TestWithParam<StationCase>
{
};

// Through the data module's creation, which is where the name is derived.
TEST_P(StationName, IsDerivedWhenTheDataModuleIsCreated)
{
    const StationCase& c = GetParam();
    data::TProcessInfo info;
    info.ProgramFolder = QStringLiteral("/opt/kovantel/");
    info.FirstArgument = c.argument;
    info.ComputerName = c.computer;
    info.UserName = c.user;
    info.RemoteSession = c.remote;
    data::TMainDM dm(nullptr, info);
    EXPECT_EQ(dm.StationName.toStdString(), c.expected.toStdString());
    EXPECT_LE(dm.StationName.size(), 30);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StationName,
    testing::Values(
        StationCase{"SlashArgument",
                    QStringLiteral("/Kasse2"),
                    QStringLiteral("PC"),
                    {},
                    false,
                    QStringLiteral("Kasse2")},
        StationCase{"FirstCharacterDroppedWhateverItIs",
                    QStringLiteral("Kasse2"),
                    QStringLiteral("PC"),
                    {},
                    false,
                    QStringLiteral("asse2")},
        StationCase{"OneCharacter", QStringLiteral("/"), QStringLiteral("PC"), {}, false, QString()},
        StationCase{"FortyCharacters", Forty, QStringLiteral("PC"), {}, false, Forty.mid(1, 30)},
        StationCase{"ArgumentWinsOverRemoteSession", QStringLiteral("/Kasse2"), QStringLiteral("PC"),
                    QStringLiteral("anna"), true, QStringLiteral("Kasse2")},
        StationCase{"ComputerName",
                    {},
                    QStringLiteral("KASSE-PC"),
                    QStringLiteral("anna"),
                    false,
                    QStringLiteral("KASSE-PC")},
        StationCase{"LongComputerName", {}, Forty, QStringLiteral("anna"), false, Forty.left(30)},
        StationCase{"RemoteSessionUser",
                    {},
                    QStringLiteral("KASSE-PC"),
                    QStringLiteral("anna"),
                    true,
                    QStringLiteral("anna")},
        StationCase{"LongRemoteSessionUser", {}, QStringLiteral("KASSE-PC"), Forty, true, Forty.left(30)}),
    [](const auto& info) { return name(info.param.name); });

// --- Database version --------------------------------------------------------------------

TEST(MajorVersionOf, TakesTheNumberBeforeTheFirstDot)
{
    const struct
    {
        const char* text;
        std::int32_t major;
    } cases[] = {
        {"8.60.10.68", 8}, {"10.1", 10}, {"6.0", 6},   {"5.9", 5}, {"7.2", 7},    {"12.0.1", 12},
        {"8", 0},          {"", 0},      {"abc.1", 0}, {".5", 0},  {"8,60.1", 0}, {"0.0.0.0", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(data::TMainDM::MajorVersionOf(QString::fromLatin1(c.text)), c.major)
            << "text \"" << c.text << '"';
}

} // namespace
