// Figures for the database paths that grow with the host's size: reading a large article
// list through the client layer, and saving a rate slot that many cash-book accounts follow.
// Run through scripts/bench.sh --micro, which starts a private server.

#include "HostDb.h"
#include "data/HostStatements.h"
#include "data/MainData.h"
#include "data/TransactionSteps.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QLocale>

using namespace testsupport;

namespace {

// Fills a table in one transaction, as fast as the client allows.
template <class Bind> void BulkInsert(HostDb& host, const QString& sql, int count, Bind bind)
{
    fb::FbDatabase db;
    db.DBName = host.connectionString();
    db.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove")};
    db.Open();
    fb::FbTransaction tr(&db);
    fb::FbQuery q(&db, &tr, sql);
    tr.StartTransaction();
    for (int i = 1; i <= count; ++i) {
        bind(q, i);
        q.ExecQuery();
    }
    tr.Commit();
}

// Dropped before main returns, while the client library and Qt are still there.
std::map<int, std::unique_ptr<HostDb>>& articleHosts()
{
    static std::map<int, std::unique_ptr<HostDb>> hosts;
    return hosts;
}

// One host database per size, filled once through a single transaction.
HostDb& articleHost(int articles)
{
    auto& h = articleHosts()[articles];
    if (!h) {
        h = std::make_unique<HostDb>();
        h->fillStandard();
        for (int g = 1; g <= 20; ++g)
            h->addWarengruppe(g, QStringLiteral("Warengruppe %1 Getränke & Speisen").arg(g));
        BulkInsert(*h,
                   QStringLiteral("insert into artikel (artikelid, bezeichnung, warengruppe, mwstsatzih, "
                                  "mwstsatzah) values (:id, :name, :gruppe, :ih, :ah)"),
                   articles, [](fb::FbQuery& q, int i) {
                       q.ParamByName(QStringLiteral("id")).setAsInteger(i);
                       q.ParamByName(QStringLiteral("name"))
                           .setAsString(QStringLiteral("Artikel Nr. %1 Käsespätzle 0,5 l €").arg(i));
                       q.ParamByName(QStringLiteral("gruppe")).setAsInteger(i % 20 + 1);
                       q.ParamByName(QStringLiteral("ih")).setAsInteger(i % 5);
                       q.ParamByName(QStringLiteral("ah")).setAsInteger((i + 1) % 5);
                   });
    }
    return *h;
}

void ConfigureDm(data::TMainDM& dm, HostDb& host)
{
    dm.dbKovantel.DBName = host.connectionString();
    dm.dbKovantel.Open();
    dm.DatabaseVersion = 8;
    dm.KassenID = 1;
}

data::TProcessInfo Process()
{
    data::TProcessInfo info;
    info.ProgramFolder = QStringLiteral("/nonexistent/");
    info.ComputerName = QStringLiteral("Kasse1");
    return info;
}

void BM_ReadArticleList(benchmark::State& state)
{
    HostDb& host = articleHost(static_cast<int>(state.range(0)));
    data::TMainDM dm(nullptr, Process());
    ConfigureDm(dm, host);
    std::size_t chars = 0;
    for (auto _ : state) {
        data::ReadStep(dm.trcKovantel, {&dm.dseArtikel}, [&] {
            dm.dseArtikel.Open();
            const auto name = dm.dseArtikel.FieldByName(QStringLiteral("ArtikelBezeichnung"));
            const auto group = dm.dseArtikel.FieldByName(QStringLiteral("Warengruppe"));
            const auto ih = dm.dseArtikel.FieldByName(QStringLiteral("MwstSatziH"));
            for (dm.dseArtikel.First(); !dm.dseArtikel.Eof(); dm.dseArtikel.Next()) {
                chars += static_cast<std::size_t>(name.AsString().size() + group.AsString().size());
                benchmark::DoNotOptimize(ih.AsFloat());
            }
        });
    }
    benchmark::DoNotOptimize(chars);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["articles"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ReadArticleList)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_SaveSlotWithAccounts(benchmark::State& state)
{
    const int accounts = static_cast<int>(state.range(0));
    HostDb host;
    host.fillStandard();
    BulkInsert(host,
               QStringLiteral("insert into kassenbuchkonten (kontonr, kontobezeichnung, steuersatz) "
                              "values (:nr, :name, 7)"),
               accounts, [](fb::FbQuery& q, int i) {
                   q.ParamByName(QStringLiteral("nr")).setAsInteger(i);
                   q.ParamByName(QStringLiteral("name")).setAsString(QStringLiteral("Konto %1").arg(i));
               });
    data::TMainDM dm(nullptr, Process());
    ConfigureDm(dm, host);
    bool flip = false;
    for (auto _ : state) {
        state.PauseTiming();
        data::TVatRateSlots rates = dm.LoadVatRates();
        rates[1].Rate = flip ? 7.0f : 5.0f;
        flip = !flip;
        state.ResumeTiming();
        if (!dm.SaveGeneralVatRates(rates))
            state.SkipWithError(dm.LastError().toStdString().c_str());
    }
    state.SetItemsProcessed(state.iterations() * accounts);
}
BENCHMARK(BM_SaveSlotWithAccounts)->Arg(100)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    benchmark::Initialize(&argc, argv);
    if (!TestServers::available()) {
        fprintf(stderr, "No test server: run through scripts/bench.sh\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    articleHosts().clear();
    benchmark::Shutdown();
    return 0;
}
