#pragma once

#include "data/Configuration.h"
#include "data/DbFailure.h"
#include "fb/FbDatabase.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"
#include "vat/ArticlesTable.h"
#include "vat/ChangePreview.h"
#include "vat/KassenbuchkontenTable.h"
#include "vat/VatRateSources.h"
#include "vat/VatTypes.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

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
    TVatRatesListSource dsoVatRares; // the slot list of dseVatRates, for the lookup lists
    TVatRatesChoice vdseVatRates;
    TNewVatRatesSource dsoNewVatRates{&vdseVatRates, this};
    fb::FbDataSet dseArtikel;
    TArticlesTable vdseArticles;
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
    // The connection strings the last open tried, each with the client's words when it
    // failed (empty when it connected). They hold no password.
    struct TConnectAttempt
    {
        QString connection;
        QString failure;
    };
    const std::vector<TConnectAttempt>& ConnectAttempts() const { return m_connectAttempts; }
    // Why the open failed after connecting (reading the version, the employee list or the
    // register); empty when it did not.
    const TDbFailure& OpenFailure() const { return m_openFailure; }
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
    void LoadArticles();
    void SelectArticle(std::int32_t artikelid);
    void UnselectArticle(std::int32_t artikelid);
    // Writes the chosen slot pair to every selected article that differs from it, each
    // article with its protocol entry in one transaction. False when any of them was not
    // written; those stay selected after the reload and are listed in ArticleFailures().
    bool SaveArticleVatRates();

    // What a save would write, read from the data module's state alone: nothing is written
    // and no transaction is started.
    std::vector<TSlotChangePreview> PreviewGeneralChanges(const TVatRateSlots& newRates) const;
    std::vector<TArticleChangePreview> PreviewArticleChanges() const;

    // An article that the last article save did not write, and why.
    struct TArticleFailure
    {
        std::int32_t artikelid = 0;
        QString artikelbezeichnung;
        QString warengruppe;
        TDbFailure reason;
    };
    const std::vector<TArticleFailure>& ArticleFailures() const { return m_articleFailures; }
    // Told before each article the save writes (done so far, to write in all), so that the
    // window can show progress; the work itself stays on this thread.
    std::function<void(std::size_t done, std::size_t total)> OnArticleSaveProgress;

    // Why the last guarded save reported failure.
    const TDbFailure& LastFailure() const { return m_lastFailure; }
    const QString& LastError() const { return m_lastFailure.message; }
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
    TDbFailure m_lastFailure;
    TDbFailure m_openFailure;
    std::vector<TConnectAttempt> m_connectAttempts;
    std::vector<TArticleFailure> m_articleFailures;
};

// The single instance, set by the main window.
extern TMainDM* MainDM;

} // namespace data
