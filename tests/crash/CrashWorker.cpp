// The tool's side of a crash trial: one save through the data module, as the window runs
// it, in a process of its own that the trial may kill at any moment.
//
//   crash_worker articles|general CONNECTION
//
// Prints "ready" just before the save starts and "done RESULT MILLISECONDS" after it.

#include "data/MainData.h"

#include <QLocale>
#include <QString>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "articles") != 0 && std::strcmp(argv[1], "general") != 0)) {
        std::fprintf(stderr, "usage: crash_worker articles|general CONNECTION\n");
        return 2;
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool articles = std::strcmp(argv[1], "articles") == 0;
    try {
        data::TProcessInfo info;
        info.ProgramFolder = QStringLiteral("/nonexistent/");
        info.ComputerName = QStringLiteral("Kasse1");
        data::TMainDM dm(nullptr, info);
        dm.dbKovantel.DBName = QString::fromLocal8Bit(argv[2]);
        dm.dbKovantel.Open();
        dm.DatabaseVersion = 8;
        dm.KassenID = 1;
        data::TVatRateSlots rates = dm.LoadVatRates();
        if (articles) {
            dm.OpenArticleData();
            dm.dsoNewVatRates.SetValue(QStringLiteral("imhaus"), 0);
            dm.dsoNewVatRates.SetValue(QStringLiteral("ausserhaus"), 2);
            for (const data::TArticleRow& row : dm.vdseArticles.Rows())
                dm.SelectArticle(row.artikelid);
        } else {
            rates[0].Rate = 16;
        }

        std::printf("ready\n");
        std::fflush(stdout);
        const auto start = std::chrono::steady_clock::now();
        const bool saved = articles ? dm.SaveArticleVatRates() : dm.SaveGeneralVatRates(rates);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::printf("done %d %lld\n", saved ? 1 : 0, static_cast<long long>(ms.count()));
        std::fflush(stdout);
    } catch (const std::exception& e) {
        std::printf("error %s\n", e.what());
        return 1;
    }
    return 0;
}
