#include "data/MainData.h"

#include "data/HostStatements.h"
#include "data/TransactionSteps.h"
#include "fb/FbError.h"
#include "win/StationIdentity.h"

#include <QCoreApplication>
#include <QDir>

namespace data {

TMainDM* MainDM = nullptr;

namespace {
const TProcessInfo* g_processOverride = nullptr;

// Changes take effect immediately, so before this date the user is warned.
const QDate ChangeDate(2024, 1, 1);
} // namespace

TProcessInfo TProcessInfo::Current()
{
    if (g_processOverride)
        return *g_processOverride;
    TProcessInfo info;
    info.Separator = QDir::separator();
    info.ProgramFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    if (!info.ProgramFolder.endsWith(info.Separator))
        info.ProgramFolder += info.Separator;
    const QStringList args = QCoreApplication::arguments();
    info.FirstArgument = args.size() > 1 ? args.at(1) : QString();
    info.ComputerName = win::GetComputerName();
    info.UserName = win::GetUserName();
    info.RemoteSession = win::IsRemoteSession();
    return info;
}

void TProcessInfo::SetCurrentForTesting(const TProcessInfo* info)
{
    g_processOverride = info;
}

TMainDM::TMainDM(QObject* owner, const TProcessInfo& process)
    : QObject(owner), dseSettings(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::dseSettings)),
      dseDatenbankversion(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::dseDatenbankversion)),
      qrySetVatRate(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::qrySetVatRate)),
      dseMitarbeiter(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::dseMitarbeiter)),
      qryInsVorgang(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::qryInsVorgang)),
      dseArtikel(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::dseArtikel)),
      qrySetArticleVatRates(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::qrySetArticleVatRates)),
      qryInsVorgangV8(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::qryInsVorgangV8)),
      dseKassenID(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::dseKassenID)),
      dseServerDatum(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::dseServerDatum)),
      dseVatRates(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::dseVatRates)),
      dseKassenbuchkonten(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::dseKassenbuchkonten)),
      qrySetKassenbuchkonto(&dbKovantel, &trcKovantel, QString::fromUtf8(sql::qrySetKassenbuchkonto)),
      m_process(process)
{
    dbKovantel.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove"),
                                QStringLiteral("sql_role_name=")};
    dbKovantel.SQLDialect = 3;
    DataModuleCreate();
}

TMainDM::~TMainDM()
{
    DataModuleDestroy();
}

void TMainDM::DataModuleCreate()
{
    StationName = DeriveStationName(m_process);
    vdseKassenbuchkonten.Open();
    vdseKassenbuchkonten.Empty();
}

void TMainDM::DataModuleDestroy()
{
    CloseDatabase();
    vdseKassenbuchkonten.Empty();
    vdseKassenbuchkonten.Close();
    vdseVatRates.Close();
    vdseArticles.Close();
}

QString TMainDM::DeriveStationName(const TProcessInfo& process)
{
    if (!process.FirstArgument.isEmpty())
        return process.FirstArgument.mid(1, 30);
    if (process.RemoteSession)
        return process.UserName.left(30);
    return process.ComputerName.left(30);
}

void TMainDM::CloseDatabase()
{
    if (!dbKovantel.Connected())
        return;
    dseMitarbeiter.Close();
    dbKovantel.Close();
}

bool TMainDM::ConnectBranchOffice()
{
    const QString iniFile = ConfigurationFileName(m_process.ProgramFolder);
    if (iniFile.isEmpty())
        return false;
    const QString entry = ReadBranchOfficeEntry(iniFile);

    Filiale = DefaultFiliale(m_process.ProgramFolder, m_process.Separator);
    ParseFiliale(entry, Filiale, m_process.Separator);

    // Neither attempt raises its error: only whether a connection came about counts. The
    // client's words are kept for the window, which tells the technician what was tried.
    m_connectAttempts.clear();
    auto attempt = [this] {
        dbKovantel.DBName = Filiale.Server + QLatin1Char(':') + Filiale.DatabaseFile;
        TConnectAttempt tried{dbKovantel.DBName, {}};
        try {
            dbKovantel.Open();
        } catch (const std::exception& e) {
            tried.failure = TDbFailure::From(e).message;
        }
        m_connectAttempts.push_back(tried);
    };
    attempt();
    if (!dbKovantel.Connected()) {
        Filiale.Server = RewriteServer(Filiale.Server);
        attempt();
    }
    return true;
}

std::int32_t TMainDM::MajorVersionOf(const QString& text)
{
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return 0;
    bool ok = false;
    const int v = text.left(dot).toInt(&ok);
    return ok ? v : 0;
}

std::int32_t TMainDM::GetDatabaseMajorVersion()
{
    QString text;
    ReadStep(trcKovantel, {&dseDatenbankversion}, [&] {
        dseDatenbankversion.Open();
        try {
            text = dseDatenbankversion.FieldByName(QStringLiteral("VarWert")).AsString();
        } catch (const std::exception&) {
            text = QStringLiteral("0.0.0.0");
        }
    });
    return MajorVersionOf(text);
}

int TMainDM::OpenBranchOffice()
{
    int outcome = ooNotOpened;
    m_openFailure = {};
    if (!ConnectBranchOffice())
        return ooNoConfiguration;

    try {
        if (!dbKovantel.Connected())
            return ooNotOpened;
        DatabaseVersion = GetDatabaseMajorVersion();
        outcome = DatabaseVersion < 6 ? ooVersionTooOld : ooReady;

        // Nothing reads the employee list, but a host whose list cannot be opened is not
        // one this tool may change.
        ReadStep(trcKovantel, {}, [&] { dseMitarbeiter.Open(); });

        if (DatabaseVersion >= 8) {
            auto lookUpRegister = [&] {
                ReadStep(trcKovantel, {&dseKassenID}, [&] {
                    dseKassenID.Open();
                    const std::int32_t id = dseKassenID.FieldByName(QStringLiteral("ID")).AsInteger();
                    // The register id travels as a 16-bit value in the protocol.
                    KassenID = static_cast<std::int16_t>(static_cast<std::uint16_t>(id & 0xFFFF));
                });
            };
            dseKassenID.ParamByName(QStringLiteral("bezeichnung")).setAsString(StationName);
            try {
                lookUpRegister();
            } catch (const fb::FbError& e) {
                // A station name longer than the host's register names can be none of them,
                // yet the server refuses to compare it (string right truncation). Looking for
                // no name at all gives what a name that matches none gives.
                if (e.sqlState() != QLatin1String("22001"))
                    throw;
                dseKassenID.ParamByName(QStringLiteral("bezeichnung")).Clear();
                lookUpRegister();
            }
        }
    } catch (const std::exception& e) {
        outcome = ooNotOpened;
        m_openFailure = TDbFailure::From(e);
    }

    if (outcome == ooReady) {
        // Deliberately outside the guard: an error here goes on to the caller.
        ReadStep(trcKovantel, {&dseServerDatum}, [&] {
            dseServerDatum.Open();
            if (dseServerDatum.FieldByName(QStringLiteral("Datum")).AsDateTime().date() < ChangeDate)
                outcome = ooReadyBeforeChangeDate;
        });
    }
    return outcome;
}

} // namespace data
