#pragma once

#include "data/Configuration.h"
#include "fb/FbDatabase.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"
#include "vat/KassenbuchkontenTable.h"
#include "vat/VatTypes.h"

#include <QObject>
#include <QString>

#include <cstdint>

namespace data {

// Result of OpenBranchOffice.
enum OpenOutcome : int {
    ooReady = 1,
    ooReadyBeforeChangeDate = 2,
    ooNotOpened = 0,
    ooNoConfiguration = -1,
    ooVersionTooOld = -2,
};

// What the data module learns about the process it runs in. Read from the running process
// by default; tests give their own.
struct TProcessInfo
{
    QString ProgramFolder; // with a trailing separator
    QString FirstArgument;
    QString ComputerName;
    QString UserName;
    bool RemoteSession = false;
    QChar Separator = QLatin1Char('/');

    static TProcessInfo Current();
    // Replaces what Current() returns, for tests that run the whole application.
    static void SetCurrentForTesting(const TProcessInfo* info);
};

// The data module: owns the connection, the one transaction, every statement and dataset,
// the in-memory tables and the current rate slots. It never talks to the user.
class TMainDM : public QObject
{
    Q_OBJECT
public:
    explicit TMainDM(QObject* owner, const TProcessInfo& process = TProcessInfo::Current());
    ~TMainDM() override;

    // Components, in declared order.
    fb::FbDatabase dbKovantel;
    fb::FbTransaction trcKovantel{&dbKovantel};
    fb::FbDataSet dseSettings;
    fb::FbDataSet dseDatenbankversion;
    fb::FbQuery qrySetVatRate;
    fb::FbDataSet dseMitarbeiter;
    fb::FbQuery qryInsVorgang;
    fb::FbDataSet dseArtikel;
    fb::FbQuery qrySetArticleVatRates;
    fb::FbQuery qryInsVorgangV8;
    fb::FbDataSet dseKassenID;
    fb::FbDataSet dseServerDatum;
    fb::FbDataSet dseVatRates;
    fb::FbDataSet dseKassenbuchkonten;
    TKassenbuchkontenTable vdseKassenbuchkonten;
    fb::FbQuery qrySetKassenbuchkonto;

    // Fields, in declared order.
    TMitarbeiter Mitarbeiter;
    TVatRateSlots VatRates{};
    std::int32_t DatabaseVersion = 0;
    std::int16_t KassenID = 0;
    QString StationName;
    TFiliale Filiale;

    // Open sequence.
    int OpenBranchOffice();
    std::int32_t GetDatabaseMajorVersion();
    void CloseDatabase();

    // Operation protocol.
    void WriteProtocol(TMitarbeiter employee, const QString& text, std::int32_t category);

    // Rate slots and cash-book accounts.
    TVatRateSlots LoadVatRates();
    bool SaveGeneralVatRates(const TVatRateSlots& newRates);

    // Article data of the articles page.
    void OpenArticleData();
    void CloseArticleData();

    // The text of the error that made the last guarded save report failure.
    const QString& LastError() const { return m_lastError; }
    const TProcessInfo& Process() const { return m_process; }

    // The station name derived from the command line or the computer.
    static QString DeriveStationName(const TProcessInfo& process);
    // The major version in a dotted version text ("8.60.10.68" gives 8); 0 when none.
    static std::int32_t MajorVersionOf(const QString& text);

private:
    void DataModuleCreate();
    void DataModuleDestroy();
    bool ConnectBranchOffice(); // steps of configuration and connection; false: no file

    TProcessInfo m_process;
    QString m_lastError;
};

// The single instance, set by the main window.
extern TMainDM* MainDM;

} // namespace data
